# Runs the asset generator into a scratch folder and compares every file with
# the committed one. A mismatch means the generator changed without the assets
# being regenerated (see tools/README.md), or that its output depends on the
# processor it runs on.
#   cmake -DGENERATOR=<program> -DASSETS=<assets> -DWORK=<scratch>
#         [-DEMULATOR=<qemu-user program and its options, a list>] -P CompareRegenerated.cmake
# With EMULATOR the generator runs a second time on an emulated processor with
# none of the vector extensions that Qt, the C library and libm choose their
# code paths by, and must give the same bytes again.
set(drawn pictures/Backdrop.bmp pictures/Relief1.bmp pictures/Relief2.bmp pictures/Relief3.bmp
          pictures/Relief4.bmp sounds/Sound1.wav sounds/Sound2.wav icons/mirel.ico)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND drawn icons/mirel-${size}.png)
endforeach()

function(compare_with_committed folder files what)
  foreach(f IN LISTS files)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${folder}/${f} ${ASSETS}/${f}
                    RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${f} differs from what the generator draws now ${what}")
    endif()
  endforeach()
endfunction()

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK}/native RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${rc}")
endif()
compare_with_committed(${WORK}/native "${drawn};fonts/MochiyPopOne-Regular.ttf;fonts/MochiyPopOne-Labels.ttf" "")

if(EMULATOR)
  # The emulator cannot start the font subsetter; the font is fontTools' work.
  execute_process(COMMAND ${EMULATOR} ${GENERATOR} ${WORK}/emulated --no-font RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the generator failed on the emulated processor (${EMULATOR}): ${rc}")
  endif()
  compare_with_committed(${WORK}/emulated "${drawn}" "on a processor without vector extensions")
endif()
