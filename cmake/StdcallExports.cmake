# kelmsgs_stdcall_exports(OUT NAMING entries...): the EXPORTS lines of a .def file for
# stdcall functions given as "Name bytes [plain]" (bytes: the size of the arguments).
# 64-bit names carry no decoration. 32-bit symbols are Name@bytes, exported
#   NAMING PLAIN:      under the plain name only;
#   NAMING DECORATED:  as Name@bytes, and also under the plain name for entries marked plain.
function(kelmsgs_stdcall_exports out naming)
  set(lines "")
  foreach(entry IN LISTS ARGN)
    separate_arguments(parts UNIX_COMMAND "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND lines "\t${name}\n")
      continue()
    endif()
    if(naming STREQUAL "DECORATED")
      string(APPEND lines "\t${name}@${bytes}\n")
    endif()
    if(naming STREQUAL "PLAIN" OR "plain" IN_LIST parts)
      string(APPEND lines "\t${name}=${name}@${bytes}\n")
    endif()
  endforeach()
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
