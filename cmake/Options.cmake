# Build options, linked into targets, never set globally:
#   mirel_warnings   - the warning flags (and -Werror with MIREL_WERROR)
#   mirel_sanitizers - AddressSanitizer and UBSan (MIREL_SANITIZE), fuzzer coverage (MIREL_FUZZ)
#   mirel_options    - both; what every target of ours links
add_library(mirel_warnings INTERFACE)
# The strict set both compilers share, and the few only GCC has. Library
# headers come in as system headers, so only our own code answers to them.
target_compile_options(mirel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wunused
  -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference -Wdouble-promotion -Wformat=2
  -Wimplicit-fallthrough
  $<$<CXX_COMPILER_ID:GNU>:-Wmisleading-indentation -Wduplicated-cond -Wduplicated-branches -Wlogical-op
                           -Wuseless-cast -Wsuggest-override>)
if(MIREL_WERROR)
  target_compile_options(mirel_warnings INTERFACE -Werror)
endif()

add_library(mirel_sanitizers INTERFACE)
if(MIREL_SANITIZE)
  target_compile_options(mirel_sanitizers INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                    -fno-sanitize-recover=undefined)
  target_link_options(mirel_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
if(MIREL_FUZZ)
  # Coverage for the harnesses; the fuzzer main is linked only into them.
  target_compile_options(mirel_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()

add_library(mirel_options INTERFACE)
target_link_libraries(mirel_options INTERFACE mirel_warnings mirel_sanitizers)
# The web build's compiler leaves exceptions out unless asked: a throw would
# end the page's program where the game catches it on the desktop.
if(EMSCRIPTEN)
  target_compile_options(mirel_options INTERFACE -fexceptions)
  target_link_options(mirel_options INTERFACE -fexceptions)
endif()
# Each function and datum in a section of its own, so the linker leaves out
# whatever nothing uses (the Windows program carries its C++ runtime too).
# A Release is compiled for size, but for the pixel loops (mirel_fast_pixels):
# the program is one small download, and most of its time is the system's.
target_compile_options(mirel_options INTERFACE -ffunction-sections -fdata-sections $<$<CONFIG:Release>:-Os>)
target_link_options(mirel_options INTERFACE -Wl,--gc-sections)
# The files whose loops touch every pixel keep full speed in every build: the
# level each system's Release had before it was compiled for size.
function(mirel_fast_pixels)
  set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS $<$<CONFIG:Release>:$<IF:$<BOOL:${WIN32}>,-O2,-O3>>)
endfunction()

# Release binaries leave without the compilers' version notes (.comment), as
# distributions ship them. After the link, so for the decoder module it
# happens before the program takes the module's seal.
function(mirel_drop_comment target)
  if(CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel)$" AND CMAKE_OBJCOPY)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:${target}> VERBATIM)
  endif()
endfunction()
