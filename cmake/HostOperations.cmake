# Makes generated/HostSuites.h from host/HostOperations.table: one C function
# table per suite version, each operation at its slot and every other slot a
# reserved entry, with its position checked at compile time; and two X-macro
# lists, TARNWICK_HOST_SUITES and TARNWICK_HOST_OPERATIONS, from which the
# simulated host makes its catalogue, names and entry points.

# "a, b[n], const T* c" -> "a, b, c": the names of a parameter list.
function(_host_argument_names parameters out)
  if(parameters STREQUAL "void")
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "," ";" pieces "${parameters}")
  set(names "")
  foreach(piece IN LISTS pieces)
    string(REGEX REPLACE "\\[[^]]*\\]" "" piece "${piece}")
    string(STRIP "${piece}" piece)
    if(NOT piece MATCHES "([A-Za-z_][A-Za-z0-9_]*)$")
      message(FATAL_ERROR "HostOperations.table: no parameter name in \"${piece}\"")
    endif()
    list(APPEND names ${CMAKE_MATCH_1})
  endforeach()
  list(JOIN names ", " joined)
  set(${out} "${joined}" PARENT_SCOPE)
endfunction()

function(tarnwick_generate_host_suites table output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(STRINGS ${table} lines)
  set(structs "")
  set(asserts "")
  set(suite_rows "")
  set(operation_rows "")
  set(current "")
  set(next_slot 0)
  set(line_number 0)
  foreach(line IN LISTS lines)
    math(EXPR line_number "${line_number} + 1")
    if(line MATCHES "^[ \t]*(#|$)")
      continue()
    endif()
    string(REPLACE "|" ";" cells "${line}")
    list(LENGTH cells count)
    if(NOT count EQUAL 6)
      message(FATAL_ERROR "${table}:${line_number}: needs 6 cells separated by |")
    endif()
    set(values "")
    foreach(cell IN LISTS cells)
      string(STRIP "${cell}" cell)
      list(APPEND values "${cell}")
    endforeach()
    list(GET values 0 suite)
    list(GET values 1 version)
    list(GET values 2 struct)
    list(GET values 3 slot)
    list(GET values 4 operation)
    list(GET values 5 parameters)
    if(NOT struct STREQUAL current)
      if(NOT current STREQUAL "")
        string(APPEND structs "} ${current};\n\n")
      endif()
      string(APPEND structs "typedef struct ${struct} {\n")
      string(APPEND suite_rows "  X(${struct}, \"${suite}\", ${version}) \\\n")
      set(current ${struct})
      set(next_slot 0)
    endif()
    if(slot LESS next_slot)
      message(FATAL_ERROR "${table}:${line_number}: slot ${slot} of ${struct} is not after the one before")
    endif()
    math(EXPR gap "${slot} - ${next_slot}")
    if(gap EQUAL 1)
      string(APPEND structs "  ReservedEntry reserved${next_slot};\n")
    elseif(gap GREATER 1)
      string(APPEND structs "  ReservedEntry reserved${next_slot}[${gap}];\n")
    endif()
    string(APPEND structs "  HostError (*${operation})(${parameters});\n")
    string(APPEND asserts "TARNWICK_ENTRY_AT(${struct}, ${operation}, ${slot});\n")
    _host_argument_names("${parameters}" arguments)
    string(APPEND operation_rows
           "  X(${struct}, \"${suite}\", ${version}, ${slot}, ${operation}, (${parameters}), (${arguments})) \\\n")
    math(EXPR next_slot "${slot} + 1")
  endforeach()
  string(APPEND structs "} ${current};\n")
  file(CONFIGURE OUTPUT ${output} CONTENT [=[
/* Generated from host/HostOperations.table by cmake/HostOperations.cmake;
 * edit the table instead. Included by host/HostInterface.h. */
#ifndef TARNWICK_HOST_SUITES_H
#define TARNWICK_HOST_SUITES_H

@structs@
@asserts@
/* X(table, suite name, version) for every suite version. */
#define TARNWICK_HOST_SUITES(X) \
@suite_rows@
/* X(table, suite name, version, slot, operation, (parameters), (arguments))
 * for every operation, in the table's order. */
#define TARNWICK_HOST_OPERATIONS(X) \
@operation_rows@
#endif
]=] @ONLY)
endfunction()
