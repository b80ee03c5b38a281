# Builds for hunting memory and undefined-behaviour faults.
#   -DORVANTIS_SANITIZE=ON  everything with AddressSanitizer and UBSan (gcc or clang)
#   -DORVANTIS_FUZZ=ON      clang only: the libFuzzer targets of fuzz/ besides,
#                           the core instrumented for their coverage
# scripts/test --sanitize and scripts/fuzz set these up in folders of their own.
option(ORVANTIS_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ORVANTIS_FUZZ "Build the libFuzzer targets of fuzz/ (needs clang)" OFF)

if(ORVANTIS_SANITIZE OR ORVANTIS_FUZZ)
  # undefined behaviour stops the program like a memory fault, so tests and fuzzers see it
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ORVANTIS_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORVANTIS_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)

  # one program per fuzz/Fuzz*.cpp, added once the core library is defined
  function(orvantis_add_fuzzers)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/Fuzz*.cpp)
    set(names)
    foreach(source ${sources})
      get_filename_component(name ${source} NAME_WE)
      add_executable(${name} ${source})
      target_link_libraries(${name} PRIVATE orvantis_core)
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      list(APPEND names ${name})
    endforeach()
    add_custom_target(fuzzers DEPENDS ${names})
  endfunction()
  cmake_language(DEFER CALL orvantis_add_fuzzers)
endif()
