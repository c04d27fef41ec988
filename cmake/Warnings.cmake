# Our own code is built with a wide set of warnings. They are errors where we build it (the
# presets, and so CI) through VANTREL_WARNINGS_AS_ERRORS; a plain build of a user's own keeps them
# as warnings, so a compiler release with a new or false warning cannot break it. Third-party
# code is not built with these.
option(VANTREL_WARNINGS_AS_ERRORS "Treat warnings in our own code as errors (the presets turn it on)"
       OFF)

function(vantrel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(VANTREL_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
    # GCC 12 at -O3 (the Release type) warns of overlapping copies inside libstdc++'s own
    # std::string assignment, where there is none (GCC bug 105651).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(VANTREL_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
