# Removes what an install into $DESTDIR and PREFIX put down: the files of its record, then the
# directories it created, when they are empty. `make uninstall` runs it:
#
#   DESTDIR=... cmake -D RECORDS=BUILD/installed -D PREFIX=... -P cmake/Uninstall.cmake

include("${CMAKE_CURRENT_LIST_DIR}/InstallRecord.cmake")

rvf_install_destination(root record "${RECORDS}" "${PREFIX}")
if(NOT EXISTS "${record}")
  message(FATAL_ERROR "Nothing to uninstall: no install into ${root} is recorded in ${RECORDS}")
endif()
include("${record}")

foreach(file IN LISTS RVF_INSTALLED_FILES)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing: ${file}")
    file(REMOVE "${file}")
  endif()
endforeach()

# Deepest first, so that a parent is looked at after its children are gone.
list(SORT RVF_CREATED_DIRS ORDER DESCENDING)
foreach(dir IN LISTS RVF_CREATED_DIRS)
  file(GLOB left "${dir}/*" "${dir}/.*")
  if(IS_DIRECTORY "${dir}" AND NOT left)
    message(STATUS "Removing: ${dir}")
    file(REMOVE_RECURSE "${dir}")
  endif()
endforeach()

file(REMOVE "${record}")
