# The .deb that ./package.sh makes: what `cmake --install` lays out under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Mirel authors")
set(CPACK_PACKAGE_CONTACT "The Mirel authors <mirel@mirel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sliding-tile picture puzzle of a carved relief")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Restore a carved relief on a stone stele: the picture, one of four built-in\n"
    "reliefs or a picture file of the player's own, is cut into 3 x 3 to 6 x 6\n"
    "tiles, the last tile is taken out, the rest are shuffled, and the player\n"
    "slides them back with the mouse. The game speaks Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the program links, from the binary itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What Qt loads at run time and no linker sees. The X11 platform plugin and the
# GIF and JPEG readers come with libqt6gui6, which the binary links. Not
# linked: the sound server's client library and SDL's, which the sound output
# loads when it opens (SDL's package brings ALSA's library, which the output
# also loads), and some Japanese font for the message boxes and dialogs (the
# labels bring their own): the small one first, so a machine with any of them
# installs nothing more. Welcome but not needed: the Wayland platform plugin
# (without it Qt draws through XWayland) and Qt's own Japanese texts (Yes, No,
# Cancel; without them the buttons speak English).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpulse0, libsdl2-2.0-0, fonts-ipaexfont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
include(CPack)
