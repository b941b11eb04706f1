# Fails when an include runs against the layers: each folder may include from
# itself and the folders listed for it below, nothing below app/ includes a
# Qt Widgets header, and neither the game below the window nor the Windows and
# web front ends include a Qt header at all, so that they build without Qt.
# Runs as the `layering` test:
#   cmake -DSOURCE=<source root> "-DQT_INCLUDES=<include folders of Qt6::Core, Gui, Widgets>"
#         -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

# An entry is a folder, or one header of a folder the layer may not otherwise
# use: the seam it needs and nothing behind it. A layer may be a folder inside
# another (picture/plain); its files keep to its own rules, not the outer's.
set(may_use_app app menu board support picture sound platform assets)
set(may_use_windows windows menu board support picture sound platform assets)
set(may_use_web web menu board support picture sound platform assets)
set(may_use_menu menu board support picture/PictureLoader.h platform assets)
set(may_use_board board support platform)
set(may_use_support support platform sound/Mci.h)
set(may_use_picture picture platform)
set(may_use_picture/plain picture/plain picture/PictureLoader.h picture/PictureLimits.h picture/FormatTable.h platform)
set(may_use_sound sound platform)
set(may_use_platform platform)
set(may_use_assets assets)
set(may_use_tools tools menu platform picture/FormatTable.h)  # the label captions, for the font subset; the exact reduction; the formats' names
set(layers app windows web menu board support picture picture/plain sound platform assets tools)
set(below_app menu board support picture picture/plain sound platform assets)
# Plain C++: no Qt header. The one exception is the crossing to Qt's images,
# which only Qt targets build. picture/plain is the part of the picture
# readers that Windows builds too.
set(without_qt windows web menu board support picture/plain sound platform assets)
set(qt_crossings platform/QtBitmap.h platform/QtBitmap.cpp)
# Tests, benchmarks and fuzzers may use every layer, but no layer may use them.
set(project_folders ${layers} tests bench fuzz)

# Qt's headers by their names, as they are included without a folder
# (<QImage>, <qimage.h>); with a folder they start with Qt (<QtGui/QImage>).
set(widget_headers "")
set(qt_headers "")
foreach(dir IN LISTS QT_INCLUDES)
  if(dir MATCHES "/Qt[A-Za-z]+$")
    file(GLOB headers RELATIVE ${dir} ${dir}/*)
    list(APPEND qt_headers ${headers})
    if(dir MATCHES "/QtWidgets$")
      list(APPEND widget_headers ${headers})
    endif()
  endif()
endforeach()
if(NOT widget_headers OR NOT qt_headers)
  message(FATAL_ERROR "No Qt headers, or none of Qt Widgets, found in: ${QT_INCLUDES}")
endif()

set(faults "")
set(checked 0)
# Whether path is entry or lies inside it.
function(within path entry out)
  string(FIND "${path}/" "${entry}/" at)
  if(at EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${layer}/*.h ${SOURCE}/${layer}/*.cpp)
  foreach(inner IN LISTS layers)  # a layer inside this one checks its own files
    if(NOT inner STREQUAL layer AND inner MATCHES "^${layer}/")
      list(FILTER files EXCLUDE REGEX "^${inner}/")
    endif()
  endforeach()
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
          set(allowed FALSE)
          foreach(entry IN LISTS may_use_${layer})
            within("${path}" "${entry}" inside)
            if(inside)
              set(allowed TRUE)
            endif()
          endforeach()
          if(used IN_LIST project_folders AND NOT allowed)
            list(APPEND faults "${file}: ${layer}/ may not use ${used}/: ${line}")
          endif()
        endif()
      elseif((layer IN_LIST below_app OR layer IN_LIST without_qt) AND line MATCHES "include[ \t]*<([^>]*)>")
        set(header ${CMAKE_MATCH_1})
        if(layer IN_LIST below_app AND (header MATCHES "^QtWidgets/" OR header IN_LIST widget_headers))
          list(APPEND faults "${file}: Qt Widgets below app/: ${line}")
        elseif(layer IN_LIST without_qt AND NOT file IN_LIST qt_crossings
               AND (header MATCHES "^Qt[A-Za-z]*/" OR header IN_LIST qt_headers))
          list(APPEND faults "${file}: Qt in ${layer}/, which builds without it: ${line}")
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
