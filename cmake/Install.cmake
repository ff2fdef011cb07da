# Installation, laid out as Linux programs are:
#   <prefix>/lib/zorbel-builder/   the program folder: zide, the tool chain
#                                  (bin/, runtime/), lib/, syntax/, projects/,
#                                  the shipped "!default.zsl", zorbel.html and
#                                  defaults.reg; read-only, shared by all users
#   <prefix>/bin/zide              a relative symbolic link to the program, so
#                                  the program still finds its folder beside it
#   <prefix>/share/                .desktop entry, shared-mime-info package,
#                                  hicolor icons, the help page under doc/
# What a user writes goes to the XDG folders, never below the prefix. The
# Debian package (cpack -G DEB) is made from the same rules.
set(ZIDE_INSTALL_FOLDER lib/zorbel-builder)
set(ZIDE_SHARED_FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(ZIDE_PROGRAM_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

install(TARGETS zide DESTINATION ${ZIDE_INSTALL_FOLDER})
install(TARGETS zbltrans zbl-cc zbl-link DESTINATION ${ZIDE_INSTALL_FOLDER}/bin)
# The run-time library with its headers and precompiled headers. The
# precompiled headers are only a speed-up: a compiler that finds one it cannot
# use reads the headers instead.
install(DIRECTORY ${CMAKE_BINARY_DIR}/runtime/ DESTINATION ${ZIDE_INSTALL_FOLDER}/runtime
        FILE_PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS})
# The shipped files come from the sources, not from the build folder, where
# a run of the IDE with ZIDE_HOME may have left files of its own. lib/ is the
# build's: the build adds the libraries it makes to the shipped ones.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/program/syntax
                  ${CMAKE_SOURCE_DIR}/resources/program/projects
        DESTINATION ${ZIDE_INSTALL_FOLDER}
        FILE_PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS}
        PATTERN .keep EXCLUDE)
install(DIRECTORY ${CMAKE_BINARY_DIR}/lib DESTINATION ${ZIDE_INSTALL_FOLDER}
        FILE_PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS}
        PATTERN .keep EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/resources/program/!default.zsl
              ${CMAKE_SOURCE_DIR}/resources/program/zorbel.html
        DESTINATION ${ZIDE_INSTALL_FOLDER}
        PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS})
install(FILES ${CMAKE_SOURCE_DIR}/resources/program/zorbel.html
        DESTINATION share/doc/zorbel-builder
        PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS})

# The desktop files, written by zide-setup into the build folder; the entry
# starts "zide" from the PATH, where <prefix>/bin puts it.
set(ZIDE_SHARE_STAGE ${CMAKE_BINARY_DIR}/share)
add_custom_command(OUTPUT ${ZIDE_SHARE_STAGE}/applications/zorbel-builder.desktop
  COMMAND ${ZIDE_SETUP_ENV} $<TARGET_FILE:zide-setup> --desktop-files ${ZIDE_SHARE_STAGE} zide
  DEPENDS zide-setup
  COMMENT "Writing the desktop entry, the file types and the icons")
add_custom_target(desktop_files ALL
  DEPENDS ${ZIDE_SHARE_STAGE}/applications/zorbel-builder.desktop)
install(DIRECTORY ${ZIDE_SHARE_STAGE}/applications ${ZIDE_SHARE_STAGE}/mime
                  ${ZIDE_SHARE_STAGE}/icons
        DESTINATION share
        FILE_PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS})

# At install time, when the prefix is known (a package's is its own): the
# installation's defaults with tool paths below the installed program folder,
# and the link in bin/.
install(CODE "
  set(folder \"\${CMAKE_INSTALL_PREFIX}/${ZIDE_INSTALL_FOLDER}\")
  set(staged \"\$ENV{DESTDIR}\${folder}\")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                          \"$<TARGET_FILE:zide-setup>\" --defaults \"\${folder}\"
                          \"\${staged}/defaults.reg\"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR \"Could not write \${staged}/defaults.reg\")
  endif()
  file(CHMOD \"\${staged}/defaults.reg\" PERMISSIONS ${ZIDE_SHARED_FILE_PERMISSIONS})
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../${ZIDE_INSTALL_FOLDER}/zide
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/zide\" SYMBOLIC)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/zide\")
")

# The Debian package. Installing it runs the desktop's cache refreshers
# through the triggers dpkg already has for these folders.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorbel-builder)
set(CPACK_PACKAGE_VENDOR "Zorbel Builder")
set(CPACK_PACKAGE_CONTACT "Zorbel Builder <support@zorbel-builder.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "IDE for the Zorbel language, with its tool chain")
# Staged with DESTDIR, so that install time sees the package's own prefix
# (the defaults name /usr/lib/zorbel-builder, not the staging folder).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The tool chain compiles with the system's g++.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, libqt6printsupport6, libqscintilla2-qt6-15, g++")
# Quick to make and to unpack; the run-time library is most of the size.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_STRIP_FILES ON)
include(CPack)
