# `make install` and `cmake --install`: the library with its headers, CMake package and pkg-config
# file; with the viewer, the three programs, their manual pages, the desktop entry and its icon,
# the MIME type of RVF files and the sample.
#
# Every install rule of the project is in this file, between the two hooks that keep the record
# `make uninstall` reads (cmake/InstallRecord.cmake): a rule elsewhere would run after the last
# hook and stay out of the record.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Where things go, relative to the prefix.
set(RVF_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/rvf)
set(RVF_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/rvf)
set(RVF_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(RVF_INSTALL_MAN1DIR ${CMAKE_INSTALL_MANDIR}/man1)
set(RVF_INSTALL_DESKTOPDIR ${CMAKE_INSTALL_DATADIR}/applications)
set(RVF_INSTALL_MIMEDIR ${CMAKE_INSTALL_DATADIR}/mime/packages)
set(RVF_INSTALL_ICONDIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(RVF_INSTALL_SAMPLEDIR ${CMAKE_INSTALL_DATADIR}/rvf/samples)

# Every directory a file goes into, so that the record knows which ones the install creates (one
# missing here would stay behind after `make uninstall`; the Install.Uninstall test finds it).
get_target_property(rvf_headers rvf HEADER_SET)
set(rvf_install_dirs ${CMAKE_INSTALL_LIBDIR} ${RVF_INSTALL_CMAKEDIR} ${RVF_INSTALL_PKGCONFIGDIR})
foreach(header IN LISTS rvf_headers)
  cmake_path(RELATIVE_PATH header BASE_DIRECTORY ${PROJECT_SOURCE_DIR})
  cmake_path(GET header PARENT_PATH header_dir)
  list(APPEND rvf_install_dirs ${RVF_INSTALL_INCLUDEDIR}/${header_dir})
endforeach()
if(RVF_BUILD_VIEWER)
  list(APPEND rvf_install_dirs ${CMAKE_INSTALL_BINDIR} ${RVF_INSTALL_MAN1DIR} ${RVF_INSTALL_DESKTOPDIR}
       ${RVF_INSTALL_ICONDIR} ${RVF_INSTALL_MIMEDIR} ${RVF_INSTALL_SAMPLEDIR})
endif()

set(rvf_install_records ${PROJECT_BINARY_DIR}/installed)
install(CODE "include(\"${PROJECT_SOURCE_DIR}/cmake/InstallRecord.cmake\")
rvf_install_begin(\"${rvf_install_records}\" \"${rvf_install_dirs}\")")

# The library, its headers and its CMake package: find_package(rvf CONFIG) gives rvf::rvf.
install(TARGETS rvf EXPORT rvfTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  FILE_SET HEADERS DESTINATION ${RVF_INSTALL_INCLUDEDIR})
install(EXPORT rvfTargets NAMESPACE rvf:: DESTINATION ${RVF_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/rvfConfig.cmake.in ${PROJECT_BINARY_DIR}/rvfConfig.cmake
  INSTALL_DESTINATION ${RVF_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/rvfConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/rvfConfig.cmake ${PROJECT_BINARY_DIR}/rvfConfigVersion.cmake
  DESTINATION ${RVF_INSTALL_CMAKEDIR})

# rvf.pc names the prefix given to the install (`cmake --install --prefix`), not the configured
# one, so it is written when the install runs.
install(CODE "set(RVF_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
cmake_path(ABSOLUTE_PATH RVF_PREFIX NORMALIZE)
set(RVF_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
set(RVF_INCLUDEDIR \"${RVF_INSTALL_INCLUDEDIR}\")
set(RVF_VERSION \"${PROJECT_VERSION}\")
configure_file(\"${PROJECT_SOURCE_DIR}/cmake/rvf.pc.in\" \"${PROJECT_BINARY_DIR}/rvf.pc\" @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/rvf.pc DESTINATION ${RVF_INSTALL_PKGCONFIGDIR})

if(RVF_BUILD_VIEWER)
  set(rvf_programs RVFView rvftool rvfrender)
  install(TARGETS ${rvf_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # A manual page per program, made from its --help and --version at build time.
  find_program(HELP2MAN help2man)
  if(NOT HELP2MAN)
    message(FATAL_ERROR "The manual pages are made with help2man: install the Debian package help2man "
                        "('make deps' does)")
  endif()
  # Its page names the other two under SEE ALSO.
  function(rvf_man_page program name)
    set(see_also ${rvf_programs})
    list(REMOVE_ITEM see_also ${program})
    list(TRANSFORM see_also APPEND " (1)")
    list(JOIN see_also ",\n.BR " see_also)
    set(include ${PROJECT_BINARY_DIR}/man/${program}.h2m)
    file(CONFIGURE OUTPUT ${include} CONTENT "[SEE ALSO]\n.BR ${see_also}\n")
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}
      COMMAND ${HELP2MAN} --no-info --name ${name} --include ${include} --output ${page}
              $<TARGET_FILE:${program}>
      DEPENDS ${program} ${include}
      COMMENT "Making the manual page of ${program}"
      VERBATIM)
    set(rvf_man_pages ${rvf_man_pages} ${page} PARENT_SCOPE)
  endfunction()
  set(rvf_man_pages "")
  rvf_man_page(RVFView "view a triangle mesh lit through its tangent-space normal map")
  rvf_man_page(rvftool "make RVF meshes and Targa normal maps, look inside RVF meshes")
  rvf_man_page(rvfrender "draw a frame of RVFView into a PNG file without a display")
  add_custom_target(man_pages ALL DEPENDS ${rvf_man_pages})
  install(FILES ${rvf_man_pages} DESTINATION ${RVF_INSTALL_MAN1DIR})

  # The caches of desktop entries, icons and MIME types are not refreshed here: a package manager
  # does that once for every package (README, Install).
  install(FILES desktop/rvfview.desktop DESTINATION ${RVF_INSTALL_DESKTOPDIR})
  install(FILES desktop/rvfview.svg DESTINATION ${RVF_INSTALL_ICONDIR})
  install(FILES desktop/rvf.xml DESTINATION ${RVF_INSTALL_MIMEDIR})
  install(FILES samples/torus.rvf samples/torus_normals.tga DESTINATION ${RVF_INSTALL_SAMPLEDIR})
endif()

install(CODE "rvf_install_end()")
