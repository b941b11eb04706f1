# Build options shared by every target: linked in, never set globally.
add_library(mirel_options INTERFACE)
target_compile_options(mirel_options INTERFACE -Wall -Wextra -Wpedantic)
if(MIREL_WERROR)
  target_compile_options(mirel_options INTERFACE -Werror)
endif()
if(MIREL_SANITIZE)
  target_compile_options(mirel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
  target_link_options(mirel_options INTERFACE -fsanitize=address,undefined)
endif()
if(MIREL_FUZZ)
  # Coverage for the harnesses; the fuzzer main is linked only into them.
  target_compile_options(mirel_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
