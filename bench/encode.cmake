# Encode benchmark: kestrel-bench-encode CLIP (make the clip with scripts/make-bench-clip.sh).
# It shares the tests' frame checker and picture helpers, so it needs the test build.
if(BUILD_TESTING)
  add_executable(kestrel-bench-encode ${CMAKE_CURRENT_LIST_DIR}/encode_main.cpp)
  target_link_libraries(kestrel-bench-encode PRIVATE kestrel_cinepak
                        kestrel_cinepak_encoder_support)
  kestrel_target_defaults(kestrel-bench-encode)
endif()
