# The format table's shown names as the metainfo, the manual pages and the
# README list them, asked of the program that prints the table
# (tools/FormatFacts.cpp), whose path is in FACTS:
#   MIREL_FORMAT_NAMES            - "BMP, GIF, ... or TIFF"
#   MIREL_FORMAT_NAMES_JA         - the same, joined the Japanese way
#   MIREL_MODULE_FORMAT_NAMES, _JA - those the decoder module reads, "WebP, ... and TIFF"
execute_process(COMMAND ${FACTS} OUTPUT_VARIABLE facts RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT facts MATCHES "^[A-Za-z;]+\n[A-Za-z;]+\n$")
  message(FATAL_ERROR "${FACTS} did not print the format table's names")
endif()
string(REGEX MATCH "^[^\n]*" format_names "${facts}")
string(REGEX REPLACE "^[^\n]*\n([^\n]*)\n$" "\\1" module_format_names "${facts}")

function(mirel_join out last_word)
  set(names ${ARGN})
  list(POP_BACK names last)
  list(JOIN names ", " text)
  set(${out} "${text} ${last_word} ${last}" PARENT_SCOPE)
endfunction()
mirel_join(MIREL_FORMAT_NAMES or ${format_names})
mirel_join(MIREL_MODULE_FORMAT_NAMES and ${module_format_names})
list(JOIN format_names "、" MIREL_FORMAT_NAMES_JA)
list(JOIN module_format_names "、" MIREL_MODULE_FORMAT_NAMES_JA)
