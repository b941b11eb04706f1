# Runs the asset generator into a scratch folder and compares every file with
# the committed one. A mismatch means the generator changed without the assets
# being regenerated (see tools/README.md).
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${rc}")
endif()
set(icons icons/mirel.ico)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND icons icons/mirel-${size}.png)
endforeach()
foreach(f pictures/Backdrop.bmp pictures/Relief1.bmp pictures/Relief2.bmp pictures/Relief3.bmp
          pictures/Relief4.bmp sounds/Sound1.wav sounds/Sound2.wav fonts/MochiyPopOne-Regular.ttf ${icons})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${f} ${ASSETS}/${f} RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${f} differs from what the generator draws now")
  endif()
endforeach()
