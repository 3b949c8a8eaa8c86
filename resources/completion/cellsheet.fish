# fish completion for cellsheet
complete -c cellsheet -l resources -r -a '(__fish_complete_directories)' -d 'Look for resources in DIR first'
complete -c cellsheet -l html -r -F -d 'Write the on-screen rendering'
complete -c cellsheet -l export-html -r -F -d 'Write the export rendering'
complete -c cellsheet -l pdf -r -F -d 'Print the export rendering to a PDF file'
complete -c cellsheet -l debug-plist -r -F -d 'Write the content tree as a property list'
complete -c cellsheet -l inventory-timeout -x -d 'Seconds to wait for the inventory'
complete -c cellsheet -l help -d 'Show the options'
complete -c cellsheet -l version -d 'Show the version'
