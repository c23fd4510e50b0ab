# The wave-out player and the output device list.
add_library(calyrix_player STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WaveOutPlayer.cpp ${CMAKE_CURRENT_LIST_DIR}/WaveOutPlayer.h
  ${CMAKE_CURRENT_LIST_DIR}/OutputDeviceList.cpp ${CMAKE_CURRENT_LIST_DIR}/OutputDeviceList.h
  ${CMAKE_CURRENT_LIST_DIR}/OutputDeviceInfo.h)
target_include_directories(calyrix_player PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(calyrix_player PUBLIC calyrix_waveout calyrix_base)
