# Makes the installer of the program in DIST with makensis. The list of shipped files is taken
# from DIST each time, into an NSIS include beside the installer: the macro QM_INSTALL_FILES
# puts them into $INSTDIR; QM_REMOVE_PROGRAM_FILES deletes the program and its help;
# QM_TEMPLATE_FILES DO inserts the macro DO once for every template page and icon (the files
# under Serv and Images, which the browser's buttons and menu entries point at), with its path
# below $INSTDIR; QM_REMOVE_FOLDERS removes the folders the files made, deepest first and only
# where nothing else is left in them.
#   cmake -DMAKENSIS=<makensis> -DNSI=<quillmere.nsi> -DDIST=<dist folder> -DVERSION=1.1
#         -DICON=<quillmere.ico> -DOUT=<setup.exe> -P make-installer.cmake
foreach(required IN ITEMS MAKENSIS NSI DIST VERSION ICON OUT)
  if(NOT ${required})
    message(FATAL_ERROR "make-installer.cmake needs -D${required}=...")
  endif()
endforeach()

set(shipped quillmere.exe qmhelp.chm)
foreach(folder IN ITEMS Serv Images)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${DIST} ${DIST}/${folder}/*)
  list(SORT found)
  list(APPEND shipped ${found})
endforeach()

set(install "!macro QM_INSTALL_FILES\n")
set(remove "!macro QM_REMOVE_PROGRAM_FILES\n")
set(templates "!macro QM_TEMPLATE_FILES DO\n")
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
    string(APPEND templates "  !insertmacro \${DO} \"${winFile}\"\n")
    string(APPEND install "  SetOutPath \"$INSTDIR\\${winFolder}\"\n")
    # Every parent of the folder too, so that the emptied tree goes away entirely.
    while(folder)
      list(APPEND folders ${folder})
      get_filename_component(folder ${folder} DIRECTORY)
    endwhile()
  else()
    string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
    string(APPEND remove "  Delete \"$INSTDIR\\${winFile}\"\n")
  endif()
  string(APPEND install "  File \"${source}\"\n")
endforeach()
string(APPEND install "  SetOutPath \"$INSTDIR\"\n!macroend\n")
string(APPEND remove "!macroend\n")
string(APPEND templates "!macroend\n")
set(folderMacro "!macro QM_REMOVE_FOLDERS\n")

# Deepest first: a longer path never lies above a shorter one.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  string(REPLACE "/" "\\" winFolder "${folder}")
  string(APPEND folderMacro "  RMDir \"$INSTDIR\\${winFolder}\"\n")
endforeach()
string(APPEND folderMacro "!macroend\n")

get_filename_component(outDir ${OUT} DIRECTORY)
set(files ${outDir}/quillmere-files.nsh)
file(WRITE ${files}
     "; Made by make-installer.cmake from ${DIST}.\n${install}\n${remove}\n${templates}\n${folderMacro}")

execute_process(
  COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DDIST=${DIST} -DFILES=${files} -DICON=${ICON}
          -DOUTFILE=${OUT} ${NSI}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "makensis failed (${result})")
endif()
