# Makes the installer of the program in DIST with makensis. The list of shipped files is taken
# from DIST each time, into an NSIS include beside the installer: the macro QM_INSTALL_FILES
# puts them into $INSTDIR, QM_REMOVE_FILES deletes exactly those files and then the folders
# they made, deepest first and only where nothing else is left in them.
#   cmake -DMAKENSIS=<makensis> -DNSI=<quillmere.nsi> -DDIST=<dist folder> -DVERSION=1.1
#         -DICON=<quillmere.ico> -DOUT=<setup.exe> -P make-installer.cmake
foreach(required IN ITEMS MAKENSIS NSI DIST VERSION ICON OUT)
  if(NOT ${required})
    message(FATAL_ERROR "list-files.cmake needs -D${required}=...")
  endif()
endforeach()

set(shipped quillmere.exe qmhelp.chm)
foreach(folder IN ITEMS Serv Images)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${DIST} ${DIST}/${folder}/*)
  list(SORT found)
  list(APPEND shipped ${found})
endforeach()

set(install "!macro QM_INSTALL_FILES\n")
set(remove "!macro QM_REMOVE_FILES\n")
set(folders "")
foreach(file IN LISTS shipped)
  if(NOT EXISTS ${DIST}/${file})
    message(FATAL_ERROR "${DIST}/${file} is missing: build the program and its help first")
  endif()
  get_filename_component(folder ${file} DIRECTORY)
  string(REPLACE "/" "\\" winFolder "${folder}")
  string(REPLACE "/" "\\" winFile "${file}")
  set(source "${DIST}/${file}") # makensis takes forward slashes on every system
  if(folder)
    string(APPEND install "  SetOutPath \"$INSTDIR\\${winFolder}\"\n")
    # Every parent of the folder too, so that the emptied tree goes away entirely.
    while(folder)
      list(APPEND folders ${folder})
      get_filename_component(folder ${folder} DIRECTORY)
    endwhile()
  else()
    string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
  endif()
  string(APPEND install "  File \"${source}\"\n")
  string(APPEND remove "  Delete \"$INSTDIR\\${winFile}\"\n")
endforeach()
string(APPEND install "  SetOutPath \"$INSTDIR\"\n!macroend\n")

# Deepest first: a longer path never lies above a shorter one.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" winFolder "${folder}")
  string(APPEND remove "  RMDir \"$INSTDIR\\${winFolder}\"\n")
endforeach()
string(APPEND remove "!macroend\n")

get_filename_component(outDir ${OUT} DIRECTORY)
set(files ${outDir}/quillmere-files.nsh)
file(WRITE ${files} "; Made by make-installer.cmake from ${DIST}.\n${install}\n${remove}")

execute_process(
  COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DDIST=${DIST} -DFILES=${files} -DICON=${ICON}
          -DOUTFILE=${OUT} ${NSI}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "makensis failed (${result})")
endif()
