# What `cmake --install` lays out: the program folder (the program, its two
# sounds, its sealed picture decoder and the decoder module, which it finds
# beside itself), a link to it in the games folder on the PATH, and the
# desktop entry, metainfo, icons, man page and licences.
include(GNUInstallDirs)

set(MIREL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/mirel)
option(MIREL_DEBIAN_DOCS "Install the Debian copyright file and changelog (for the .deb)" OFF)

install(TARGETS mirel mirel_decode RUNTIME DESTINATION ${MIREL_INSTALL_PROGRAMDIR})
# As a plain file, never stripped on the way: the program loads the module only
# when its bytes are those it was built with.
install(FILES $<TARGET_FILE:mirel_codecs> DESTINATION ${MIREL_INSTALL_PROGRAMDIR})
install(FILES assets/sounds/Sound1.wav assets/sounds/Sound2.wav DESTINATION ${MIREL_INSTALL_PROGRAMDIR})

# Relative, so the tree works wherever it is unpacked or staged.
file(RELATIVE_PATH mirel_link_target /prefix/${MIREL_INSTALL_GAMESDIR} /prefix/${MIREL_INSTALL_PROGRAMDIR}/mirel)
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MIREL_INSTALL_GAMESDIR}/mirel\")
  message(STATUS \"Installing: \${link} -> ${mirel_link_target}\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MIREL_INSTALL_GAMESDIR}\")
  file(CREATE_LINK \"${mirel_link_target}\" \"\${link}\" SYMBOLIC)
")

include(cmake/PackageFacts.cmake)
configure_file(packaging/mirel.desktop.in ${MIREL_APP_ID}.desktop @ONLY)

# The metainfo and the manual pages list the picture formats, which the format
# table gives once its program is built: each is configured now with those
# words left in, and finished by the build.
foreach(name MIREL_FORMAT_NAMES MIREL_FORMAT_NAMES_JA MIREL_MODULE_FORMAT_NAMES MIREL_MODULE_FORMAT_NAMES_JA)
  set(${name} "@${name}@")
endforeach()
function(mirel_with_format_names template output)
  configure_file(${template} ${output}.in @ONLY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DFACTS=$<TARGET_FILE:mirel_format_facts> -DIN=${output}.in -DOUT=${output}
            -P ${PROJECT_SOURCE_DIR}/cmake/WithFormatNames.cmake
    DEPENDS mirel_format_facts ${CMAKE_CURRENT_BINARY_DIR}/${output}.in
            ${PROJECT_SOURCE_DIR}/cmake/WithFormatNames.cmake ${PROJECT_SOURCE_DIR}/cmake/FormatNames.cmake
    VERBATIM)
endfunction()
mirel_with_format_names(packaging/mirel.metainfo.xml.in ${MIREL_APP_ID}.metainfo.xml)
add_custom_target(mirel_metainfo ALL DEPENDS ${MIREL_APP_ID}.metainfo.xml)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${MIREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${MIREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

set(MIREL_ICON_SIZES 16 24 32 48 64 128 256)
foreach(size IN LISTS MIREL_ICON_SIZES)
  install(FILES assets/icons/mirel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps RENAME ${MIREL_APP_ID}.png)
endforeach()

# Compressed, as distributions ship manual pages; -n keeps the bytes free of
# the build's time and file name. The Japanese page goes where man finds it
# for a Japanese locale.
foreach(page IN ITEMS mirel.6 mirel.ja.6)
  set(folder man6)
  if(page STREQUAL "mirel.ja.6")
    set(folder ja/man6)
  endif()
  mirel_with_format_names(packaging/${page}.in ${page})
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9n -c ${CMAKE_CURRENT_BINARY_DIR}/${page} > ${page}.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${page} VERBATIM)
  list(APPEND mirel_man_files ${page}.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${folder} RENAME mirel.6.gz)
endforeach()
add_custom_target(mirel_man ALL DEPENDS ${mirel_man_files})

if(NOT MIREL_DEBIAN_DOCS)
  install(FILES LICENSE assets/fonts/OFL.txt DESTINATION ${MIREL_INSTALL_DOCDIR})
else()
  # Debian keeps the licences in one machine-readable copyright file, and
  # only there.
  file(READ LICENSE mirel_mit)
  file(READ assets/fonts/OFL.txt mirel_ofl)
  foreach(text mirel_mit mirel_ofl)
    string(REGEX REPLACE "\r" "" ${text} "${${text}}")
    string(REGEX REPLACE "\n+$" "" ${text} "${${text}}")
    string(REGEX REPLACE "\n\n" "\n.\n" ${text} "${${text}}")
    string(REGEX REPLACE "\n\n" "\n.\n" ${text} "${${text}}")
    string(REGEX REPLACE "\n" "\n " ${text} "${${text}}")
  endforeach()
  configure_file(packaging/copyright.in copyright @ONLY)
  add_custom_command(OUTPUT changelog.gz
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > changelog.gz
    DEPENDS packaging/changelog VERBATIM)
  add_custom_target(mirel_changelog ALL DEPENDS changelog.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
          DESTINATION ${MIREL_INSTALL_DOCDIR})
endif()
