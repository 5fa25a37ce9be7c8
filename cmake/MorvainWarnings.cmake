# Warnings are errors in our own code; third-party headers come in as system headers.
function(morvain_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
