# Decoder tests: hand-built frames, and agreement with ffmpeg's decoder on ffmpeg's clips.
kestrel_add_test(cinepak_decoder_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/decoder_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/decoder_ffmpeg_test.cpp
  LIBS kestrel_cinepak_decoder kestrel_test_support)
