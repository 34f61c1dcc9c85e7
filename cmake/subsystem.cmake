# One static library per subsystem, linking only the libraries it uses: a
# call into a subsystem it does not list fails the link of every program
# built on it.
#   tobalin_subsystem(<name> SOURCES <files...> USES <subsystems...>)
# makes the target tobalin_<name>.
function(tobalin_subsystem name)
  cmake_parse_arguments(arg "" "" "SOURCES;USES" ${ARGN})
  add_library(tobalin_${name} STATIC ${arg_SOURCES})
  target_include_directories(tobalin_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(used IN LISTS arg_USES)
    target_link_libraries(tobalin_${name} PUBLIC tobalin_${used})
  endforeach()
  tobalin_warnings(tobalin_${name})
  tobalin_strict_warnings(tobalin_${name})
endfunction()
