# Fails when an include runs against the layers: each folder may include from
# itself and the folders listed for it below, and nothing below app/ includes a
# Qt Widgets header. Runs as the `layering` test:
#   cmake -DSOURCE=<source root> -DQT_WIDGETS_INCLUDES=<Qt6::Widgets include folders> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

# An entry is a folder, or one header of a folder the layer may not otherwise
# use: the seam it needs and nothing behind it.
set(may_use_app app menu board support picture sound platform assets)
set(may_use_menu menu board support picture platform assets)
set(may_use_board board support platform)
set(may_use_support support platform sound/Mci.h)
set(may_use_picture picture platform)
set(may_use_sound sound platform)
set(may_use_platform platform)
set(may_use_assets assets)
set(may_use_tools tools menu)  # the label captions, for the font subset
set(layers app menu board support picture sound platform assets tools)
set(below_app menu board support picture sound platform assets)
# Tests, benchmarks and fuzzers may use every layer, but no layer may use them.
set(project_folders ${layers} tests bench fuzz)

set(widget_headers "")
foreach(dir IN LISTS QT_WIDGETS_INCLUDES)
  if(dir MATCHES "/QtWidgets$")
    file(GLOB widget_headers RELATIVE ${dir} ${dir}/*)
  endif()
endforeach()
if(NOT widget_headers)
  message(FATAL_ERROR "No Qt Widgets headers found in: ${QT_WIDGETS_INCLUDES}")
endif()

set(faults "")
set(checked 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${layer}/*.h ${SOURCE}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${SOURCE}/${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(line MATCHES "include[ \t]*\"([^\"]*)\"")
        set(path ${CMAKE_MATCH_1})
        if(path MATCHES "\\.\\.")
          list(APPEND faults "${file}: climbs out of its folder: ${line}")
        elseif(path MATCHES "^([^/]+)/")
          set(used ${CMAKE_MATCH_1})
          if(used IN_LIST project_folders AND NOT used IN_LIST may_use_${layer}
             AND NOT path IN_LIST may_use_${layer})
            list(APPEND faults "${file}: ${layer}/ may not use ${used}/: ${line}")
          endif()
        endif()
      elseif(layer IN_LIST below_app AND line MATCHES "include[ \t]*<([^>]*)>")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "^QtWidgets/" OR header IN_LIST widget_headers)
          list(APPEND faults "${file}: Qt Widgets below app/: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the layering:\n  ${text}")
endif()
message(STATUS "Layering holds in ${checked} files")
