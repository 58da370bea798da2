# Warnings for the project's own targets.
function(layra_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(LAYRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
