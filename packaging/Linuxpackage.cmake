# The Debian package of the Linux program (cmake --build --preset linux --target package):
# the program in /usr/bin, its desktop entry, hicolor icons, the ".ydr" MIME type (the same
# type and desktop id as the per-user integration writes) and AppStream metainfo. The
# libraries it needs are found by dpkg-shlibdeps.
include(GNUInstallDirs)
set(ZWQ_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
set(ZWQ_APPSTREAM_ID example.zwq_books.zwq_manager)
set(ZWQ_ICON_SIZES 16 24 32 48)

install(TARGETS zwq-manager RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZWQ_PACKAGING}/zwq-manager.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZWQ_PACKAGING}/zwq-manager.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
configure_file(${ZWQ_PACKAGING}/zwq-manager.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${ZWQ_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${ZWQ_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${ZWQ_ICON_SIZES})
    install(FILES ${ZWQ_PACKAGING}/icons/zwq-manager-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zwq-manager.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zwq-manager)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR kv8102tz)
set(CPACK_PACKAGE_CONTACT "kv8102tz <zwq-manager@zwq-books.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talking books on the memory card of a flash player for blind listeners")
set(CPACK_PACKAGE_DESCRIPTION
    "ZWQ-менеджер keeps the talking books on the memory card of a flash player for blind and
partially sighted listeners: it lists the card's books and free space, writes new books
(a .ydr descriptor beside its files, or a RAR archive) and deletes books, renumbering the
rest without a gap. Everything is reachable by keyboard and screen readers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://zwq-books.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Besides the libraries: Qt's Russian texts for the standard buttons of the message boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
# The tools that refresh the desktop's databases after "--integrate".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
