# The program-side fader wrapper; included by every directory that links it.
if(CALYRIX_WITH_QT AND NOT TARGET calyrix_tarvel_wrapper)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(calyrix_tarvel_wrapper STATIC
    ${PROJECT_SOURCE_DIR}/program/ui/CTarvel.cpp ${PROJECT_SOURCE_DIR}/program/ui/CTarvel.h)
  target_include_directories(calyrix_tarvel_wrapper PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(calyrix_tarvel_wrapper PUBLIC calyrix_com Qt6::Widgets)
endif()
