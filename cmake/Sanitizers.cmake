# One switch for the whole build: sanitizer flags must reach every object and the link,
# including GoogleTest's main, or ASan reports false container overflows.
if(KESTREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

function(kestrel_sanitizers target)
  # Global flags above already cover the target; kept as a hook for per-target needs.
endfunction()
