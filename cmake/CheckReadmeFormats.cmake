# Fails when the README's list of the picture formats a player may choose is
# not the format table's, which cmake/PackageFacts.cmake reads for the desktop
# files and the manual pages. Runs as the `readme_formats` test:
#   cmake -DREADME=<README.md> "-DNAMES=<BMP, GIF, ... or TIFF>" -P CheckReadmeFormats.cmake
cmake_minimum_required(VERSION 3.25)
file(READ ${README} text)
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
string(FIND "${text}" "(${NAMES};" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md does not list the picture formats as the format table has them: (${NAMES}; ...")
endif()
