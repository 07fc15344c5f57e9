# The version is kept once, in project() of the top CMakeLists.txt. The header that the Version
# export returns from and the Windows version resources are both generated from it, so that a
# release cannot say one number in one place and another elsewhere.
set(TOLVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# Windows shows four numbers; the parts project() leaves out are 0.
set(file_version_parts)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND file_version_parts 0)
  else()
    list(APPEND file_version_parts ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN file_version_parts "." TOLVANE_FILE_VERSION)
list(JOIN file_version_parts "," TOLVANE_FILE_VERSION_COMMAS)

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${TOLVANE_GENERATED_DIR}/tolvane_version.h
               @ONLY)
add_library(tolvane_version INTERFACE)
target_include_directories(tolvane_version INTERFACE ${TOLVANE_GENERATED_DIR})

# Gives a Windows program or DLL the version resource that Explorer's properties and installers
# read: product name and version, a description, and the file's original name.
function(tolvane_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(TOLVANE_RC_FILE_TYPE VFT_DLL)
  else()
    set(TOLVANE_RC_FILE_TYPE VFT_APP)
  endif()
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(TOLVANE_RC_DESCRIPTION ${description})
  set(TOLVANE_RC_INTERNAL_NAME ${output_name})
  if(type STREQUAL "SHARED_LIBRARY")
    set(TOLVANE_RC_ORIGINAL_NAME ${output_name}.dll)
  else()
    set(TOLVANE_RC_ORIGINAL_NAME ${output_name}.exe)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in
                 ${TOLVANE_GENERATED_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${TOLVANE_GENERATED_DIR}/${target}_version.rc)
endfunction()
