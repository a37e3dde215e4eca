# The Cinepak decoder: used by frame access and by the compressor's own checks.
add_library(kestrel_cinepak_decoder STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Decoder.cpp)
target_include_directories(kestrel_cinepak_decoder PUBLIC ${PROJECT_SOURCE_DIR}/platform)
target_link_libraries(kestrel_cinepak_decoder PUBLIC kestrel_media)
kestrel_target_defaults(kestrel_cinepak_decoder)
