# The artwork generator and the rule that runs it: every data folder of the program folder is made
# at build time, again only when the generator changes (the stamp file depends on the program).
# The presets are built with the frame compositor, so the generator links the logic libraries.
file(GLOB kv_artgen_lib_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/artgen/*.cpp)
list(FILTER kv_artgen_lib_srcs EXCLUDE REGEX "/main\\.cpp$")
add_library(kvartgen STATIC ${kv_artgen_lib_srcs})
target_include_directories(kvartgen PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kvartgen PUBLIC kvlogic)
kv_warnings(kvartgen)

add_executable(artgen ${CMAKE_SOURCE_DIR}/artgen/main.cpp)
target_link_libraries(artgen PRIVATE kvartgen)
kv_warnings(artgen)

set(kv_artgen_stamp ${CMAKE_BINARY_DIR}/artgen.stamp)
add_custom_command(OUTPUT ${kv_artgen_stamp}
  COMMAND artgen --photo ${CMAKE_SOURCE_DIR}/data/coffee.png ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  COMMAND ${CMAKE_COMMAND} -E touch ${kv_artgen_stamp}
  DEPENDS artgen ${CMAKE_SOURCE_DIR}/data/coffee.png
  COMMENT "Generating the artwork library into ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
  VERBATIM)
add_custom_target(artgen_data ALL DEPENDS ${kv_artgen_stamp})

# The artgen tests call the generator directly and read the generated folders; the test suite is
# defined after this file is included, so the link is added once the directory is processed.
function(kv_artgen_link_tests)
  if(TARGET artgen_tests)
    target_link_libraries(artgen_tests PRIVATE kvartgen)
    add_dependencies(artgen_tests artgen_data)
  endif()
endfunction()
cmake_language(DEFER CALL kv_artgen_link_tests)
