# The Debian package, made by CPack from the same install rules as
# `cmake --install`: `cpack -G DEB` in a configured, built tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tavrel developers")
set(CPACK_PACKAGE_CONTACT "The Tavrel developers <${TAVREL_CONTACT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert Chinese text between Traditional and Simplified characters")
set(CPACK_PACKAGE_DESCRIPTION
"Tavrel converts Chinese text between Traditional and Simplified characters,
character by character, through two aligned character tables made from
OpenCC's dictionaries. Its window converts the text in two panes, one text
file or a batch of files; tavrel-convert does the same on the command line.
Files in GBK, GB 18030, Big5, UTF-8 and UTF-16 are written back in the
encoding they came in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${TAVREL_WEB_ADDRESS}/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The shared libraries come from dpkg-shlibdeps; no scanner sees that the
# window cannot start without Qt's platform plugins, that Qt's own dialogs
# need their translations to speak Chinese, or that Chinese text needs a font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tavrel)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
endif()

include(CPack)
