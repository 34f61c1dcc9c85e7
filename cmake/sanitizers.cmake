# AddressSanitizer and UndefinedBehaviorSanitizer for the whole native build.
option(TOBALIN_SANITIZE "Build with ASan and UBSan" OFF)
if(TOBALIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
