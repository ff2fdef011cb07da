# Copies the shipped program-folder files from SOURCE into DEST for a build
# that runs in place:  cmake -DSOURCE=... -DDEST=... -P CopyProgramFolder.cmake
# A file in DEST changed after its shipped original (by a user, by the IDE
# run from the build folder) is left as it is; any other is brought up to
# date, and only rewritten when its content differs.
file(GLOB_RECURSE shipped RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(name IN LISTS shipped)
  set(from "${SOURCE}/${name}")
  set(to "${DEST}/${name}")
  if(EXISTS "${to}" AND NOT "${from}" IS_NEWER_THAN "${to}")
    continue()
  endif()
  get_filename_component(folder "${to}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${from}" "${to}" ONLY_IF_DIFFERENT)
endforeach()
