# fish completion for cellsheet-profiler
complete -c cellsheet-profiler -l xml -d 'XML property list'
complete -c cellsheet-profiler -l json -d 'JSON of the same shape'
complete -c cellsheet-profiler -l detail-level -x -a 'mini basic full' -d 'How much to include'
complete -c cellsheet-profiler -l list -d 'List the data types'
complete -c cellsheet-profiler -l help -d 'Show the options'
complete -c cellsheet-profiler -l version -d 'Show the version'
complete -c cellsheet-profiler -f -a '(cellsheet-profiler --list 2>/dev/null | string match "SP*")' -d 'Data type'
