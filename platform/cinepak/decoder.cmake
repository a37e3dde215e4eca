# The Cinepak decoder: used by frame access and by the compressor's own checks.
add_library(kestrel_cinepak_decoder STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Decoder.cpp)
target_include_directories(kestrel_cinepak_decoder PUBLIC ${PROJECT_SOURCE_DIR}/platform)
target_link_libraries(kestrel_cinepak_decoder PUBLIC kestrel_media)
kestrel_target_defaults(kestrel_cinepak_decoder)
# Decoding is the hot loop of a conversion; -O3 buys about a tenth over -O2 here.
target_compile_options(kestrel_cinepak_decoder PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O3>)
