# Per-target warnings; errors when CELLSHEET_WERROR is on (the CI preset).
function(cellsheet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual)
  if(CELLSHEET_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
