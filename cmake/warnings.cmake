# Warnings for the project's own targets (never for third-party code).
option(TOBALIN_WERROR "Treat warnings as errors" OFF)
option(TOBALIN_STRICT_WARNINGS "Warn of narrowing conversions and shadowed names in the product code" OFF)

function(tobalin_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(TOBALIN_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
    target_compile_definitions(${target} PRIVATE _CRT_SECURE_NO_WARNINGS)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(TOBALIN_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# The class of MSVC's C4244 and C4267 (a value narrowed without a cast) and
# of a name that hides another, for the code that ships.
function(tobalin_strict_warnings target)
  if(TOBALIN_STRICT_WARNINGS AND NOT MSVC)
    target_compile_options(${target} PRIVATE -Wconversion -Wshadow)
  endif()
endfunction()
