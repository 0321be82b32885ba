# The record of what an install put down: the files, and the directories the install created.
# There is one record per destination ($DESTDIR and prefix), in the build tree, so that
# installing somewhere else (a test into a temporary DESTDIR, say) leaves the record of an
# earlier install alone. The install script writes it; cmake/Uninstall.cmake reads it.
#
# A record is a CMake script that sets RVF_INSTALLED_FILES and RVF_CREATED_DIRS, both absolute
# paths with DESTDIR in front. Relative ones (a DESTDIR or prefix) are taken from the working
# directory, as `cmake --install` takes them.

# Sets ${out} to the root of the destination (DESTDIR and prefix as one absolute, normalised
# path) and ${out_record} to the path of its record under ${records_dir}.
function(rvf_install_destination out out_record records_dir prefix)
  set(root "$ENV{DESTDIR}${prefix}")
  cmake_path(ABSOLUTE_PATH root NORMALIZE)
  string(REGEX REPLACE "(.)/$" "\\1" root "${root}")
  string(MAKE_C_IDENTIFIER "${root}" name)
  set(${out} "${root}" PARENT_SCOPE)
  set(${out_record} "${records_dir}/${name}.cmake" PARENT_SCOPE)
endfunction()

# Before the first file is copied: reads the destination's earlier record, if any, so that a
# second install keeps what the first one created, then adds every directory the install is
# about to create: those of ${dirs} (relative to the prefix) that do not exist, with their
# missing parents.
macro(rvf_install_begin records_dir dirs)
  rvf_install_destination(RVF_INSTALL_ROOT RVF_INSTALL_RECORD "${records_dir}" "${CMAKE_INSTALL_PREFIX}")
  set(RVF_INSTALLED_FILES "")
  set(RVF_CREATED_DIRS "")
  if(EXISTS "${RVF_INSTALL_RECORD}")
    include("${RVF_INSTALL_RECORD}")
  endif()
  foreach(rvf_dir IN ITEMS ${dirs})
    set(rvf_path "${RVF_INSTALL_ROOT}/${rvf_dir}")
    while(NOT EXISTS "${rvf_path}")
      list(APPEND RVF_CREATED_DIRS "${rvf_path}")
      cmake_path(GET rvf_path PARENT_PATH rvf_path)
    endwhile()
  endforeach()
  list(REMOVE_DUPLICATES RVF_CREATED_DIRS)
endmacro()

# After the last file is copied: adds what this install copied (CMake lists it without DESTDIR)
# and writes the record.
macro(rvf_install_end)
  foreach(rvf_file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
    set(rvf_file "$ENV{DESTDIR}${rvf_file}")
    cmake_path(ABSOLUTE_PATH rvf_file NORMALIZE)
    list(APPEND RVF_INSTALLED_FILES "${rvf_file}")
  endforeach()
  list(REMOVE_DUPLICATES RVF_INSTALLED_FILES)
  file(WRITE "${RVF_INSTALL_RECORD}"
       "set(RVF_INSTALLED_FILES \"${RVF_INSTALLED_FILES}\")\nset(RVF_CREATED_DIRS \"${RVF_CREATED_DIRS}\")\n")
endmacro()
