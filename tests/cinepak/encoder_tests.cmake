# Compressor tests. encoder_support is shared with the encode benchmark.
add_library(kestrel_cinepak_encoder_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/encoder_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder_frame_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder_ffmpeg.cpp)
target_include_directories(kestrel_cinepak_encoder_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kestrel_cinepak_encoder_support PUBLIC kestrel_media kestrel_cinepak_decoder
                      kestrel_test_support)
kestrel_target_defaults(kestrel_cinepak_encoder_support)

kestrel_add_test(cinepak_encoder_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/encoder_tests.cpp
          ${CMAKE_CURRENT_LIST_DIR}/encoder_error_space_test.cpp
  LIBS kestrel_cinepak kestrel_cinepak_encoder_support)
