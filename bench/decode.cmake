# Decode benchmark: Cinepak frame access beside ffmpeg's decoder (run by hand).
add_executable(kestrel-bench-decode ${CMAKE_CURRENT_LIST_DIR}/decode_main.cpp)
target_link_libraries(kestrel-bench-decode PRIVATE kestrel_avi)
kestrel_target_defaults(kestrel-bench-decode)
