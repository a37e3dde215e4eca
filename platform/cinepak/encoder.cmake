# The compressor (kestrel_cinepak): error-space conversion, codebook training, block
# choice per strip, bitstream writing, and the entry that ties them together.
add_library(kestrel_cinepak STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Bitstream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Codebook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Compressor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameEncoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Quality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SourceImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StripEncoder.cpp)
target_include_directories(kestrel_cinepak PUBLIC ${PROJECT_SOURCE_DIR}/platform)
target_link_libraries(kestrel_cinepak PUBLIC kestrel_media kestrel_cinepak_decoder)
kestrel_target_defaults(kestrel_cinepak)
