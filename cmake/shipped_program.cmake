# Checks the Windows program as it ships: it must run on a clean Windows, so
# it imports system DLLs only (the C++ and MinGW runtimes are linked in), and
# it stays small. Prints its size and import list in every build.
#   cmake -DPROGRAM=<exe> -DOBJDUMP=<objdump> -P shipped_program.cmake
file(SIZE "${PROGRAM}" size)
execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE headers RESULTS_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read the import table of ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
string(REPLACE "DLL Name: " "" imports "${imports}")
string(REPLACE ";" " " import_list "${imports}")
math(EXPR kib "(${size} + 1023) / 1024")
message(STATUS "${PROGRAM}: ${size} bytes (${kib} KiB), imports ${import_list}")

set(limit 204800)
if(size GREATER limit)
  message(FATAL_ERROR "the program is larger than 200 KiB")
endif()
foreach(dll IN LISTS imports)
  if(dll MATCHES "^(lib|LIB)")
    message(FATAL_ERROR "the program needs ${dll} beside it: link that runtime statically")
  endif()
endforeach()
