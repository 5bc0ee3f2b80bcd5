# Settings every target of the project shares.
function(tarnwick_defaults target)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  # GCC or Clang, natively or as mingw-w64: the code relies on their
  # attributes and __int128.
  # Geometry must round every operation on its own: no fused multiply-add.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -ffp-contract=off)
  # Link-time optimisation compiles again at link time: the same rule there.
  target_link_options(${target} PRIVATE -ffp-contract=off)
  # No build path enters what is built: the tree's own paths are written
  # relative, wherever the clone lies.
  set(prefix_maps -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
  target_compile_options(${target} PRIVATE ${prefix_maps})
  target_link_options(${target} PRIVATE ${prefix_maps})
endfunction()
