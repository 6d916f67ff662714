# KORVO_SANITIZE=ON builds the native tree with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test that caused it.
option(KORVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KORVO_SANITIZE)
  if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "KORVO_SANITIZE is for the native tree only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
