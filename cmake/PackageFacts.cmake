# Facts the desktop entry, the metainfo and the man page share, each read from
# the one place that keeps it:
#   MIREL_SUMMARY, _JA     - the one-line summary (store guidelines: at most 35 characters)
#   MIREL_FORMAT_NAMES     - the picture formats, as the format table in picture/FormatTable.cpp lists them
#   MIREL_FORMAT_NAMES_JA  - the same, joined the Japanese way
#   MIREL_MODULE_FORMAT_NAMES, _JA - those the decoder module reads
#   MIREL_RELEASE_DATE     - the date of the newest entry of packaging/changelog, as YYYY-MM-DD
set(MIREL_SUMMARY "Slide a carved relief back together")
set(MIREL_SUMMARY_JA "石碑のレリーフを元に戻すスライドパズル")

# Rows of the table read {"name", "Shown name", {...patterns}, ...}; the
# decoder module's rows end in kInModule.
function(mirel_join out last_word)
  set(names ${ARGN})
  list(POP_BACK names last)
  list(JOIN names ", " text)
  set(${out} "${text} ${last_word} ${last}" PARENT_SCOPE)
endfunction()
file(STRINGS ${PROJECT_SOURCE_DIR}/picture/FormatTable.cpp format_rows REGEX "^ *{Format::[A-Za-z]+, \"[a-z]+\", \"[A-Za-z]+\", {")
set(format_names "")
set(module_format_names "")
foreach(row IN LISTS format_rows)
  string(REGEX REPLACE "^ *{Format::[A-Za-z]+, \"[a-z]+\", \"([A-Za-z]+)\".*" "\\1" name "${row}")
  list(APPEND format_names ${name})
  if(row MATCHES "kInModule,")
    list(APPEND module_format_names ${name})
  endif()
endforeach()
list(LENGTH format_names format_count)
list(LENGTH module_format_names module_format_count)
if(format_count LESS 2 OR module_format_count LESS 2)
  message(FATAL_ERROR "No picture format table found in picture/FormatTable.cpp")
endif()
mirel_join(MIREL_FORMAT_NAMES or ${format_names})
mirel_join(MIREL_MODULE_FORMAT_NAMES and ${module_format_names})
list(JOIN format_names "、" MIREL_FORMAT_NAMES_JA)
list(JOIN module_format_names "、" MIREL_MODULE_FORMAT_NAMES_JA)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/picture/FormatTable.cpp
                                                                ${PROJECT_SOURCE_DIR}/packaging/changelog)

# The trailer line of the newest entry: " -- Name <mail>  Tue, 08 Dec 2026 00:00:00 +0000".
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog trailers REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailers MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no dated entry found")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
if(month LESS 10)
  set(month 0${month})
endif()
set(MIREL_RELEASE_DATE ${year}-${month}-${day})
