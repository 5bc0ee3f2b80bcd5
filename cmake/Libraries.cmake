# Header-only libraries of the build machine: JSON (nlohmann) and the command
# line (CLI11). A cross build (mingw-w64, Emscripten) takes their headers
# alone, without the build machine's other headers.
if(CMAKE_CROSSCOMPILING)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
  file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
  file(CREATE_LINK /usr/include/CLI ${CMAKE_BINARY_DIR}/json-include/CLI SYMBOLIC)
  add_library(tarnwick_json INTERFACE)
  target_include_directories(tarnwick_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/json-include)
  add_library(tarnwick_cli INTERFACE)
  target_include_directories(tarnwick_cli SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/json-include)
else()
  find_package(nlohmann_json 3 REQUIRED)
  add_library(tarnwick_json INTERFACE)
  target_link_libraries(tarnwick_json INTERFACE nlohmann_json::nlohmann_json)
  find_package(CLI11 REQUIRED)
  add_library(tarnwick_cli INTERFACE)
  target_link_libraries(tarnwick_cli INTERFACE CLI11::CLI11)
endif()
