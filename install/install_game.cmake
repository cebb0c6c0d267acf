# One part of an install into the game folder CMAKE_INSTALL_PREFIX (VT_PART: programs, demo
# or desktop). Whatever a part creates is listed in the folder's manifest, so that an
# uninstall removes exactly that and nothing the player made.
cmake_minimum_required(VERSION 3.25)

set(game "${CMAKE_INSTALL_PREFIX}")
if(NOT IS_ABSOLUTE "${game}")
  message(FATAL_ERROR "install: the game folder must be an absolute path: ${game}")
endif()
# The programs find their files beside themselves: the system's folders are no game folder,
# and /usr/local is only what an install without --prefix would use.
if(game MATCHES "^/(usr(/local)?|opt)?/?$")
  message(FATAL_ERROR "install: give the game folder: cmake --install build --prefix GAMEFOLDER")
endif()
# CMake's own path handling reads a backslash as a separator, so such a name would be
# filled somewhere else than asked.
if(game MATCHES "\\\\")
  message(FATAL_ERROR "install: the game folder's name may not hold a backslash: ${game}")
endif()
set(manifest "${game}/.vantaro-install-manifest")

# A created path goes into the manifest relative to the game folder when it lies inside,
# so that the folder may be moved; paths outside stay absolute.
function(vt_note kind path)
  file(RELATIVE_PATH rel "${game}" "${path}")
  if(rel STREQUAL "")
    set(rel ".")
  elseif(rel MATCHES "^\\.\\.(/|$)")
    set(rel "${path}")
  endif()
  if(EXISTS "${manifest}")
    file(STRINGS "${manifest}" listed)
    list(FIND listed "${kind} ${rel}" at)
    if(at GREATER -1)
      return()
    endif()
  endif()
  file(APPEND "${manifest}" "${kind} ${rel}\n")
endfunction()

# Makes a folder and every missing parent, noting each one made.
function(vt_make_dir dir)
  if(IS_DIRECTORY "${dir}")
    return()
  endif()
  if(EXISTS "${dir}")
    message(FATAL_ERROR "install: ${dir} is a file, not a folder")
  endif()
  cmake_path(GET dir PARENT_PATH parent)
  if(NOT parent STREQUAL dir)
    vt_make_dir("${parent}")
  endif()
  file(MAKE_DIRECTORY "${dir}")
  vt_note(dir "${dir}")
endfunction()

# The game folder itself comes first, with its missing parents: noted when this install
# made them.
vt_make_dir("${game}")

# Copies over a temporary name and renames, so that a program still running from the
# folder keeps its old file and the new one appears whole.
# With OURS the target is listed even when it was there before: a menu entry or icon of
# ours that another game folder's install had written and this one takes over.
function(vt_put source target)
  set(existed FALSE)
  if(EXISTS "${target}" AND NOT "${ARGN}" STREQUAL "OURS")
    set(existed TRUE)
  endif()
  cmake_path(GET target PARENT_PATH parent)
  vt_make_dir("${parent}")
  file(COPY_FILE "${source}" "${target}.installing")
  file(RENAME "${target}.installing" "${target}")
  if(NOT existed)
    vt_note(file "${target}")
  endif()
endfunction()

if(VT_PART STREQUAL "programs")
  foreach(program IN LISTS VT_PROGRAMS)
    if(program STREQUAL "")
      continue()  # a program this build does not make
    endif()
    cmake_path(GET program FILENAME name)
    message(STATUS "Installing: ${game}/${name}")
    vt_put("${program}" "${game}/${name}")
    file(CHMOD "${game}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()

elseif(VT_PART STREQUAL "demo")
  # A fresh copy from the generator, not the build's game folder, which holds whatever
  # the developer has edited there since.
  file(REMOVE_RECURSE "${VT_DEMO_STAGE}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                          "${VT_MAKE_DEMO}" "${VT_DEMO_STAGE}"
                  RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "install: the demo generator failed (${made})")
  endif()
  file(GLOB_RECURSE demo_files LIST_DIRECTORIES false RELATIVE "${VT_DEMO_STAGE}"
       "${VT_DEMO_STAGE}/*")
  list(SORT demo_files)
  set(added 0)
  set(kept 0)
  foreach(rel IN LISTS demo_files)
    # Never the player's own: a file of the same name is kept as it is.
    if(EXISTS "${game}/${rel}" OR IS_SYMLINK "${game}/${rel}")
      math(EXPR kept "${kept} + 1")
      continue()
    endif()
    vt_put("${VT_DEMO_STAGE}/${rel}" "${game}/${rel}")
    math(EXPR added "${added} + 1")
  endforeach()
  message(STATUS "Demo content: ${added} files added, ${kept} already there and kept")

elseif(VT_PART STREQUAL "desktop")
  if(DEFINED ENV{XDG_DATA_HOME} AND IS_ABSOLUTE "$ENV{XDG_DATA_HOME}")
    set(data "$ENV{XDG_DATA_HOME}")
  elseif(DEFINED ENV{HOME} AND IS_ABSOLUTE "$ENV{HOME}")
    set(data "$ENV{HOME}/.local/share")
  else()
    message(FATAL_ERROR "install: neither XDG_DATA_HOME nor HOME names a folder")
  endif()
  # The entry format writes % as %%, but GLib's menus look for the program under the name
  # still holding %% and drop the entry: none is better than one that never shows.
  if(game MATCHES "%")
    message(WARNING "install: no menu entries for a game folder whose name holds %: ${game}")
    return()
  endif()
  # Exec takes a quoted path: inside the quotes " ` $ and \ are escaped with a backslash,
  # and the file's own escaping doubles every backslash once more; % is doubled.
  function(vt_exec_quote path out)
    string(REPLACE "\\" "\\\\\\\\" q "${path}")
    string(REPLACE "\"" "\\\\\"" q "${q}")
    string(REPLACE "`" "\\\\`" q "${q}")
    string(REPLACE "$" "\\\\$" q "${q}")
    string(REPLACE "%" "%%" q "${q}")
    set(${out} "\"${q}\"" PARENT_SCOPE)
  endfunction()
  function(vt_value_escape text out)
    string(REPLACE "\\" "\\\\" q "${text}")
    set(${out} "${q}" PARENT_SCOPE)
  endfunction()
  foreach(program Tessaforge keyvane tilemarrow skinloft)
    string(TOLOWER "${program}" id)
    set(VT_PROGRAM "${program}")
    vt_exec_quote("${game}/${program}" VT_EXEC)
    vt_value_escape("${game}" VT_PATH)
    set(VT_ICON "vantaro-${id}")
    set(entry "${data}/applications/vantaro-${id}.desktop")
    set(icon "${data}/icons/hicolor/scalable/apps/vantaro-${id}.svg")
    set(staged "${VT_DESKTOP_STAGE}/vantaro-${id}.desktop")
    configure_file("${VT_DESKTOP_SOURCE}/desktop/vantaro-${id}.desktop.in" "${staged}" @ONLY)
    message(STATUS "Installing: ${entry}")
    vt_put("${staged}" "${entry}" OURS)
    vt_put("${VT_DESKTOP_SOURCE}/icons/vantaro-${id}.svg" "${icon}" OURS)
  endforeach()
  # No desktop database update: menus watch the folder themselves, and the cache file it
  # writes would be one more thing an uninstall could not tell apart from the user's.
endif()
