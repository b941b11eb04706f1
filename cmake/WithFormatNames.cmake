# Writes OUT from IN with the format table's names in place of their
# @MIREL_..._FORMAT_NAMES...@ words (cmake/FormatNames.cmake); the build runs
# it once the program that prints the table is built:
#   cmake -DFACTS=<mirel_format_facts> -DIN=<file.in> -DOUT=<file> -P WithFormatNames.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/FormatNames.cmake)
configure_file(${IN} ${OUT} @ONLY)
