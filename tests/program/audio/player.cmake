# The player's tests see its service calls through the linker's --wrap.
calyrix_add_test(calyrix_player_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaveOutPlayerTest.cpp
  LIBS calyrix_player
  LABELS program)
target_link_options(calyrix_player_tests PRIVATE
  -Wl,--wrap=waveOutPrepareHeader -Wl,--wrap=waveOutUnprepareHeader -Wl,--wrap=waveOutWrite
  -Wl,--wrap=waveOutReset -Wl,--wrap=waveOutClose)

calyrix_add_test(calyrix_listening_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListeningRunTest.cpp
  LIBS calyrix_audio calyrix_player
  LABELS program)
