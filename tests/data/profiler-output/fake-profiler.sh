#!/bin/sh
# Stands in for the inventory tool in tests. The first argument chooses what it does.
mode=$1
shift
case "$mode" in
print) cat "$1" ;;                                      # the file given, as is
noisy) head -c 2000000 /dev/zero | tr '\0' 'e' >&2      # fills standard error before writing the output
       cat "$1" ;;
fail) cat "$1"; exit 3 ;;                               # valid output, then a failure status
linger) cat "$1"; sleep 1000 & ;;                       # exits, but what it started holds standard output open
complain) head -c 100000 /dev/zero | tr '\0' 'e' >&2; echo 'disk on fire' >&2; echo 'not a plist' ;;
dictionary) printf '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>_dataType</key><string>SPSoftwareDataType</string></dict></plist>\n' ;;
garbage) echo 'this is not a property list' ;;
nothing) ;;
hang) echo $$ > "$1"                                    # records its process id, then never finishes
      exec sleep 1000 ;;
marker) touch "$1"; cat "$2" ;;                         # leaves a trace that it ran
*) echo "unknown mode $mode" >&2; exit 2 ;;
esac
