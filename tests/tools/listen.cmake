# embrel-batch with sound, on virtual wave-out devices.
calyrix_add_test(embrel_batch_listen_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EmbrelBatchListenTest.cpp
  LIBS calyrix_batch
  LABELS tools)
target_include_directories(embrel_batch_listen_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/program/audio)
target_compile_definitions(embrel_batch_listen_test PRIVATE EMBREL_BATCH="$<TARGET_FILE:embrel-batch>")
add_dependencies(embrel_batch_listen_test embrel-batch)
