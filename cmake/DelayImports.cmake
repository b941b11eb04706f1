# The Windows program loads the system libraries it needs only now and then
# (the file dialog, COM for the picture decoders, the known folders, sound)
# when it first calls them, not before its first line runs: each one costs its
# start time, and under Wine most of it. mirel_delay_<name> stands for the
# library <name>: a delay-import library made from the names the toolchain's
# own import library exports, and the helper that loads on the first call.
find_program(MIREL_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool x86_64-w64-mingw32-dlltool REQUIRED)

function(mirel_delay_import name)
  find_library(implib_${name} NAMES ${name} REQUIRED)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${implib_${name}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE "^__imp_" "")
  list(REMOVE_DUPLICATES imports)
  list(JOIN imports "\n  " exports)
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n  ${exports}\n")
  execute_process(COMMAND ${MIREL_DLLTOOL} --input-def ${folder}/${name}.def --dllname ${name}.dll
                          --output-delaylib ${folder}/lib${name}_delay.a
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(mirel_delay_${name} INTERFACE)
  target_link_libraries(mirel_delay_${name} INTERFACE ${folder}/lib${name}_delay.a delayimp)
endfunction()

foreach(name comdlg32 ole32 shell32 winmm)
  mirel_delay_import(${name})
endforeach()
