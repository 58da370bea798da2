# LAYRA_SANITIZE=address;undefined builds everything with those sanitizers and
# makes every report fatal.
if(LAYRA_SANITIZE)
  string(REPLACE ";" "," sanitizers "${LAYRA_SANITIZE}")
  add_compile_options(-fsanitize=${sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${sanitizers})
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
