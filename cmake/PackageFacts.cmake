# Facts the desktop entry, the metainfo and the man page share, each read from
# the one place that keeps it (the format names come in at build time, from
# cmake/FormatNames.cmake):
#   MIREL_SUMMARY, _JA     - the one-line summary (store guidelines: at most 35 characters)
#   MIREL_RELEASE_DATE     - the date of the newest entry of packaging/changelog, as YYYY-MM-DD
set(MIREL_SUMMARY "Slide a carved relief back together")
set(MIREL_SUMMARY_JA "石碑のレリーフを元に戻すスライドパズル")

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
