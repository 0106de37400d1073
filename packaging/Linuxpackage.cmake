# The Debian package of the Linux program (cmake --build --preset linux --target package):
# the program in /usr/bin, its Russian manual page, its desktop entry, hicolor icons, the ".ydr"
# MIME type (the same type and desktop id as the per-user integration writes), AppStream
# metainfo, and in /usr/share/doc/zwq-manager the copyright file and the changelog made from
# CHANGELOG.md. The libraries it needs are found by dpkg-shlibdeps. The package passes lintian
# and "appstreamcli validate --pedantic" (tests/package/linuxpackage.py runs both).
include(GNUInstallDirs)
set(ZWQ_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
# The home is zwq-books.example, reversed; "-" becomes "_" as AppStream asks.
set(ZWQ_APPSTREAM_ID example.zwq_books.zwq_manager)
set(ZWQ_ICON_SIZES 16 24 32 48)
set(ZWQ_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zwq-manager)

set(CPACK_PACKAGE_NAME zwq-manager)
set(CPACK_PACKAGE_CONTACT "kv8102tz <zwq-manager@zwq-books.example>")
# ZWQ_RELEASE_DATE, ZWQ_APPSTREAM_RELEASES and the Debian changelog.
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)

# Compressed as Debian wants documentation: the best compression, no name or time inside, so
# that the same text always gives the same bytes.
find_program(ZWQ_GZIP gzip REQUIRED)
function(zwq_gzip source target)
    add_custom_command(OUTPUT ${target}
                       COMMAND ${ZWQ_GZIP} -n -9 -c ${source} > ${target}
                       DEPENDS ${source}
                       COMMENT "Compressing ${target}")
endfunction()
configure_file(${ZWQ_PACKAGING}/zwq-manager.1 ${CMAKE_BINARY_DIR}/packaging/zwq-manager.1 @ONLY)
zwq_gzip(${CMAKE_BINARY_DIR}/packaging/zwq-manager.1 ${CMAKE_BINARY_DIR}/packaging/zwq-manager.1.gz)
zwq_gzip(${CMAKE_BINARY_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_target(zwq-package-docs ALL
                  DEPENDS ${CMAKE_BINARY_DIR}/packaging/zwq-manager.1.gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

install(TARGETS zwq-manager RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Stripped further, as Debian's own packages are: the compilers' notes go too.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zwq-manager\"
                  COMMAND_ERROR_IS_FATAL ANY)")
# The page is Russian, as the program is, but lies where man finds it in every locale.
install(FILES ${CMAKE_BINARY_DIR}/packaging/zwq-manager.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZWQ_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${ZWQ_DOC_DIR})
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
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR kv8102tz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talking books on the memory card of a flash player for blind listeners")
# Each line of the text becomes a line of the control file after a blank: at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "ZWQ-менеджер keeps the talking books on the memory card of a flash player for
blind and partially sighted listeners: it lists the card's books and free
space, writes new books (a .ydr descriptor beside its files, a RAR, ZIP or 7z
archive, a folder of MP3 files, a DAISY book) and deletes books, renumbering
the rest without a gap. Everything is reachable by keyboard and screen
readers.")
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
