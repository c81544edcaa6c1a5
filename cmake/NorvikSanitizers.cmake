# Sanitizers apply to every target of the build, so the core, the tests and the
# simulator are all instrumented alike.
if(NORVIK_SANITIZE)
  string(REPLACE ";" "," _norvik_san "${NORVIK_SANITIZE}")
  add_compile_options(-fsanitize=${_norvik_san} -fno-omit-frame-pointer -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=${_norvik_san})
endif()
