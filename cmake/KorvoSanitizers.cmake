# KORVO_SANITIZE=ON builds the native tree with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test that caused it.
option(KORVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# KORVO_TSAN=ON builds it with ThreadSanitizer instead, for the tests of the
# engine's threads (audio, disk, editor).
option(KORVO_TSAN "Build with ThreadSanitizer" OFF)
if(KORVO_TSAN)
  if(CMAKE_CROSSCOMPILING OR KORVO_SANITIZE)
    message(FATAL_ERROR "KORVO_TSAN is for a native tree without KORVO_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(KORVO_SANITIZE)
  if(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "KORVO_SANITIZE is for the native tree only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
