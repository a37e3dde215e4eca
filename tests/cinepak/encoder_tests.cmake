# Compressor tests. encoder_support is shared with the encode benchmark.
add_library(kestrel_cinepak_encoder_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/encoder_support.cpp)
target_include_directories(kestrel_cinepak_encoder_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kestrel_cinepak_encoder_support PUBLIC kestrel_media)
kestrel_target_defaults(kestrel_cinepak_encoder_support)

kestrel_add_test(cinepak_encoder_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/encoder_tests.cpp
  LIBS kestrel_cinepak kestrel_cinepak_encoder_support)
