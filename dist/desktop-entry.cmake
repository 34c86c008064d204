# Makes the desktop entry when it is installed, as only then is the prefix
# known: CPack installs under /usr whatever prefix the build was configured
# with. Under /usr the entry runs the launcher by its name, which every PATH
# finds; under any other prefix by its full path, so that an install into
# ~/.local shows in the menu and starts at once, before a new login has put
# ~/.local/bin on PATH.
#   Given TESMO_DESKTOP_IN (the entry, with @TESMO_EXEC@ and @TESMO_TRY_EXEC@),
#   TESMO_DESKTOP_OUT (the entry to install) and TESMO_BINDIR (the launcher's
#   folder, relative to the prefix or absolute).
cmake_path(ABSOLUTE_PATH TESMO_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE OUTPUT_VARIABLE bindir)
cmake_path(APPEND bindir tesmo-start OUTPUT_VARIABLE launcher)
if(launcher STREQUAL "/usr/bin/tesmo-start")
  set(TESMO_EXEC tesmo-start)
  set(TESMO_TRY_EXEC tesmo-start)
else()
  if(launcher MATCHES "[\n\r\t]")
    message(FATAL_ERROR "The desktop entry cannot name a launcher whose path holds a line break or a tab: ${launcher}")
  endif()
  # In the Exec line the path is one argument in double quotes, in which a
  # quote, a backquote, a dollar and a backslash are escaped by a backslash
  # and a percent sign is doubled. Every value of the entry then escapes its
  # backslashes once more.
  set(exec "${launcher}")
  foreach(special "\\" "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" exec "${exec}")
  endforeach()
  string(REPLACE "%" "%%" exec "\"${exec}\"")
  string(REPLACE "\\" "\\\\" TESMO_EXEC "${exec}")
  string(REPLACE "\\" "\\\\" TESMO_TRY_EXEC "${launcher}")
endif()
configure_file("${TESMO_DESKTOP_IN}" "${TESMO_DESKTOP_OUT}" @ONLY)
