# Packages: a Debian package of the programs (cpack -G DEB) and, from the
# Windows cross builds, a zip of the 64-bit programs with the 32-bit ones beside
# them (cpack -G ZIP).
install(FILES ${PROJECT_SOURCE_DIR}/examples/blink877a.hex
              ${PROJECT_SOURCE_DIR}/examples/counter877a.hex
              ${PROJECT_SOURCE_DIR}/examples/eeprom877.hex
        DESTINATION ${TALLIS_EXAMPLES_DIR})
# The built-in boards as board files, for a user to copy and change.
file(GLOB tallis_board_files ${PROJECT_SOURCE_DIR}/boards/*.toml)
install(FILES ${tallis_board_files} DESTINATION ${TALLIS_BOARDS_DIR})

if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/DRIVER-WINDOWS.txt DESTINATION .)
    # The 32-bit programs, for 32-bit Windows, come from a build of their own
    # (scripts/package.sh) and go into the zip's folder 32-bit.
    set(TALLIS_WINDOWS_32BIT_BUILD "" CACHE PATH
        "A 32-bit Windows build whose programs the zip carries in its folder 32-bit")
    if(TALLIS_WINDOWS_32BIT_BUILD)
        install(PROGRAMS ${TALLIS_WINDOWS_32BIT_BUILD}/win32/tallis.exe
                         ${TALLIS_WINDOWS_32BIT_BUILD}/win32/tallis-sim.exe
                         ${TALLIS_WINDOWS_32BIT_BUILD}/cli/tallis-cli.exe
                DESTINATION 32-bit)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME windows-x86_64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-tallis-parport.rules
                  ${PROJECT_SOURCE_DIR}/packaging/60-tallis-ftdi.rules
            DESTINATION lib/udev/rules.d)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.parport
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TALLIS developers <tallis@localhost>")
endif()

set(CPACK_PACKAGE_NAME tallis)
set(CPACK_PACKAGE_VENDOR "TALLIS developers")
set(CPACK_PACKAGE_CONTACT "tallis@localhost")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "In-circuit programmer for PIC16 and PIC12 flash chips on a parallel port or an FTDI USB board")
set(CPACK_PACKAGE_DESCRIPTION
    "TALLIS identifies, erases, programs, reads and verifies PIC16F87x/87xA, PIC16F88x, \
PIC16F627A/628A/648A, PIC16F84A, PIC16F87/88 and PIC12F629/675 chips through an \
interface board on the PC's parallel port or an FTDI USB bit-bang board: the desktop \
program tallis, tallis-sim with a simulated board and chip, and the command-line \
tool tallis-cli.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)
include(CPack)
