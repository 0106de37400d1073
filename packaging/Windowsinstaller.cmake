# The Windows installer, made with NSIS from packaging/windows/ZWQManager.nsi:
#   installer/ZWQManager-<version>-setup.exe            the one that is shipped: a 32-bit
#       installer that runs on every Windows and installs the 64-bit program on 64-bit Windows,
#       the 32-bit one otherwise;
#   installer/test/ZWQManager-<version>-setup-x64.exe   the same script as a 64-bit installer,
#       for the tests (Wine here runs 64-bit programs only).
# Both hold both programs and both context-menu libraries: the 32-bit ones come from the
# windows-i686 preset (ZWQ_PROGRAM_I686, ZWQ_SHELLEXT_I686), which scripts/test.sh builds first.
find_program(ZWQ_MAKENSIS makensis)
set(ZWQ_PROGRAM_I686 "${CMAKE_SOURCE_DIR}/build/windows-i686/src/gui/win32/ZWQManager.exe"
    CACHE FILEPATH "The 32-bit ZWQManager.exe for the installer (built by the windows-i686 preset)")
set(ZWQ_SHELLEXT_I686 "${CMAKE_SOURCE_DIR}/build/windows-i686/src/gui/win32/ZWQShellExt32.dll"
    CACHE FILEPATH "The 32-bit context-menu library for the installer (built by the windows-i686 preset)")

if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The 32-bit build only provides its program to the 64-bit build's installer.
elseif(NOT ZWQ_MAKENSIS)
    message(STATUS "No installer: makensis is missing (scripts/setup.sh installs nsis)")
elseif(NOT EXISTS "${ZWQ_PROGRAM_I686}" OR NOT EXISTS "${ZWQ_SHELLEXT_I686}")
    message(STATUS "No installer: build the windows-i686 preset first (${ZWQ_PROGRAM_I686} or ${ZWQ_SHELLEXT_I686} is missing)")
else()
    set(ZWQ_INSTALLER_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/windows/ZWQManager.nsi)
    set(ZWQ_INSTALLER ${CMAKE_BINARY_DIR}/installer/ZWQManager-${PROJECT_VERSION}-setup.exe)
    set(ZWQ_TEST_INSTALLER ${CMAKE_BINARY_DIR}/installer/test/ZWQManager-${PROJECT_VERSION}-setup-x64.exe)
    set(ZWQ_ICON ${CMAKE_SOURCE_DIR}/src/gui/win32/ZWQManager.ico)
    set(ZWQ_MAKENSIS_COMMAND ${ZWQ_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
        -DPROGRAM64=$<TARGET_FILE:ZWQManager> -DPROGRAM32=${ZWQ_PROGRAM_I686}
        -DSHELLEXT64=$<TARGET_FILE:ZWQShellExt> -DSHELLEXT32=${ZWQ_SHELLEXT_I686} -DICON=${ZWQ_ICON})
    add_custom_command(
        OUTPUT ${ZWQ_INSTALLER}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
        COMMAND ${ZWQ_MAKENSIS_COMMAND} -DOUTFILE=${ZWQ_INSTALLER} ${ZWQ_INSTALLER_SCRIPT}
        DEPENDS ${ZWQ_INSTALLER_SCRIPT} ZWQManager ${ZWQ_PROGRAM_I686} ZWQShellExt ${ZWQ_SHELLEXT_I686} ${ZWQ_ICON}
        COMMENT "Making the installer ${ZWQ_INSTALLER}"
        VERBATIM)
    add_custom_command(
        OUTPUT ${ZWQ_TEST_INSTALLER}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer/test
        COMMAND ${ZWQ_MAKENSIS_COMMAND} -DTARGET_AMD64 -DOUTFILE=${ZWQ_TEST_INSTALLER} ${ZWQ_INSTALLER_SCRIPT}
        DEPENDS ${ZWQ_INSTALLER_SCRIPT} ZWQManager ${ZWQ_PROGRAM_I686} ZWQShellExt ${ZWQ_SHELLEXT_I686} ${ZWQ_ICON}
        COMMENT "Making the 64-bit test installer"
        VERBATIM)
    add_custom_target(installer ALL DEPENDS ${ZWQ_INSTALLER} ${ZWQ_TEST_INSTALLER})
endif()
