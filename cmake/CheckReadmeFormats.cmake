# Fails when the README's list of the picture formats a player may choose is
# not the format table's. Runs as the `readme_formats` test:
#   cmake -DREADME=<README.md> -DFACTS=<mirel_format_facts> -P CheckReadmeFormats.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/FormatNames.cmake)
file(READ ${README} text)
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
string(FIND "${text}" "(${MIREL_FORMAT_NAMES};" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md does not list the picture formats as the format table has them: (${MIREL_FORMAT_NAMES}; ...")
endif()
