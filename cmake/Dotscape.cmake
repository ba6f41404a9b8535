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

# dotscape_package(<package> TARGETS <target>... VERSION <v> DESCRIPTION <text> [LIBS <-l flags>])
# Installs the targets of a library other programs build against, as fmtlib
# does: the export set <package>-targets with the namespace <package>::, a
# find_package configuration with its version file, and <package>.pc. Both
# kinds of file find the rest of the installation relative to themselves, so
# the installed tree can be moved.
include(CMakePackageConfigHelpers)
function(dotscape_package package)
  cmake_parse_arguments(ARG "" "VERSION;DESCRIPTION" "TARGETS;LIBS" ${ARGN})
  install(TARGETS ${ARG_TARGETS} EXPORT ${package}-targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${package})
  install(EXPORT ${package}-targets NAMESPACE ${package}:: FILE ${package}-targets.cmake
    DESTINATION ${config_dir})
  set(DOTSCAPE_PACKAGE ${package})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package-config.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${package}-config.cmake INSTALL_DESTINATION ${config_dir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${package}-config-version.cmake
    VERSION ${ARG_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${package}-config.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/${package}-config-version.cmake DESTINATION ${config_dir})

  # pkg-config: the prefix is found from where the .pc file lies.
  file(RELATIVE_PATH PC_PREFIX_FROM_PCFILEDIR /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
  string(REGEX REPLACE "/$" "" PC_PREFIX_FROM_PCFILEDIR "${PC_PREFIX_FROM_PCFILEDIR}")
  set(PC_NAME ${package})
  set(PC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(PC_VERSION ${ARG_VERSION})
  string(JOIN " " PC_LIBS ${ARG_LIBS})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${package}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${package}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
