# Shared helpers for the project's targets.

# Warnings are private to each target; every warning is treated as a fault.
function(dotscape_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
  if(DOTSCAPE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# dotscape_library(NAME <target> ALIAS <ns::name> [SHARED|STATIC] SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Public headers live in <folder>/include.
function(dotscape_library)
  cmake_parse_arguments(ARG "SHARED;STATIC" "NAME;ALIAS" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  if(ARG_SHARED)
    add_library(${ARG_NAME} SHARED ${ARG_SOURCES})
  else()
    add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
  endif()
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${ARG_NAME})
  endif()
  target_include_directories(${ARG_NAME} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  dotscape_warnings(${ARG_NAME})
endfunction()
