# The Debian package, made by CPack (tools/package.sh): the shared libraries the programs
# link are found by dpkg-shlibdeps; those opened at run time and the fonts the font map
# uses are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ORLEND_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Chinese-English dictionary on an emulated stylus handheld")
# CPack puts the summary first and indents the rest itself.
set(CPACK_PACKAGE_DESCRIPTION
    "A Chinese-English dictionary made for a small 240 x 320 stylus handheld,
running on an emulated handheld in a window: search in Chinese, English or
pinyin, results best first, definitions, history, Simplified and Traditional
characters. The desktop installer converts the CC-CEDICT word list into the
dictionary's database and copies it to the handheld.")
set(CPACK_PACKAGE_CONTACT "orlend-dict developers <orlend-dict@users.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL2, FreeType, fontconfig and libpng are opened at run time (a lookup never loads them),
# so dpkg-shlibdeps cannot see them: they are named here with the versions their shlibs give.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-2.0-0 (>= 2.26.5+dfsg), libfreetype6 (>= 2.12), libfontconfig1 (>= 2.13), \
libpng16-16 (>= 1.6.2-1), \
fonts-arphic-gbsn00lp, fonts-arphic-bsmi00lp, fonts-dejavu-core, fonts-liberation")
# OpenCC is opened at run time (searches across the two scripts), so shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, libopencc1.1, libopencc-data")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
