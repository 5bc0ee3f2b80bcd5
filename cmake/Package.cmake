# The release archive a user downloads: the stripped module under Plug-ins/,
# the README and the installation notes, nothing else.
configure_file(${PROJECT_SOURCE_DIR}/docs/INSTALL.txt.in ${CMAKE_BINARY_DIR}/INSTALL.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/INSTALL.txt DESTINATION .
        COMPONENT module)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-win64")
set(CPACK_GENERATOR ZIP)
# Only the module component: tarnwick-sim stays a developer's tool.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};module;/")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build)
include(CPack)
