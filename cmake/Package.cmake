# The release archive a user downloads: the stripped module under Plug-ins/,
# and the user's README, license, changelog and what built it, as plain text
# with Windows line ends. The developers' README.md stays out.
# Each user document from its source; none holds an @-variable but the
# README and the installation notes.
set(TARNWICK_USER_DOCS
    README.txt docs/README.txt.in
    LICENSE.txt LICENSE
    CHANGELOG.txt CHANGELOG.md)
set(user_doc_files "")
while(TARNWICK_USER_DOCS)
  list(POP_FRONT TARNWICK_USER_DOCS name source)
  configure_file(${PROJECT_SOURCE_DIR}/${source} ${CMAKE_BINARY_DIR}/${name} @ONLY
                 NEWLINE_STYLE CRLF)
  list(APPEND user_doc_files ${CMAKE_BINARY_DIR}/${name})
endwhile()
# What built the release, the commit and the toolchain's exact versions.
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/tools/buildinfo ${PROJECT_VERSION}
  OUTPUT_VARIABLE TARNWICK_BUILD_INFO
  RESULT_VARIABLE buildinfo_result)
if(NOT buildinfo_result EQUAL 0)
  message(FATAL_ERROR "tools/buildinfo failed: ${buildinfo_result}")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/BUILDINFO.in "${TARNWICK_BUILD_INFO}")
configure_file(${CMAKE_BINARY_DIR}/BUILDINFO.in ${CMAKE_BINARY_DIR}/BUILDINFO.txt @ONLY
               NEWLINE_STYLE CRLF)
list(APPEND user_doc_files ${CMAKE_BINARY_DIR}/BUILDINFO.txt)
install(FILES ${user_doc_files} DESTINATION . COMPONENT module)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-win64")
set(CPACK_GENERATOR ZIP)
# Only the module component: tarnwick-sim stays a developer's tool.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};module;/")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build)
# Every entry carries the source date, and the zip's local times are UTC
# whatever the packer's time zone; cpack reads this file before it packs.
file(WRITE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake
     "set(ENV{SOURCE_DATE_EPOCH} ${TARNWICK_SOURCE_DATE_EPOCH})\nset(ENV{TZ} UTC)\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
