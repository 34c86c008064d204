# Run before CPack makes the Debian package: says which Debian packages that
# CPack needs are missing, and how to install them, where CPack itself would
# fail deep in its run with a message about its own options.
set(missing)
foreach(tool_and_package "file file" "dpkg-shlibdeps dpkg-dev")
  separate_arguments(tool_and_package)
  list(GET tool_and_package 0 tool)
  find_program(found_${tool} ${tool} NO_CACHE)
  if(NOT found_${tool})
    list(GET tool_and_package 1 package)
    list(APPEND missing ${package})
  endif()
endforeach()
if(missing)
  list(JOIN missing " " missing)
  message(FATAL_ERROR "Making the package needs Debian packages that are not installed: ${missing}. "
                      "Install them with: sudo apt install ${missing}")
endif()
