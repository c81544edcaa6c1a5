function(norvik_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(NORVIK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The core converts between byte, word and size types everywhere; each
# narrowing is to be spelt out.
function(norvik_core_warnings target)
  target_compile_options(${target} PRIVATE -Wconversion)
  # clang counts sign changes as conversions too; GCC, which CI builds with
  # warnings as errors, does not, and the two should agree.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE -Wno-sign-conversion)
  endif()
endfunction()
