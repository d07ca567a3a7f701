# The .deb of lt260ctl (cpack -G DEB in a build configured with
# CMAKE_INSTALL_PREFIX=/usr): the program, its udev rule and its user unit.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lt260ctl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "LT-260 Agent developers <lt260@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LT-260 gaming mouse: command-line tool and agent service")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
