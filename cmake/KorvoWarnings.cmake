# Warnings as errors for the project's own targets (not for GoogleTest).
function(korvo_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
