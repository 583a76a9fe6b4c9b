# Appending a converted number to a text, n times.
proc main {n} {
    set s ""
    for {set k 0} {$k < $n} {incr k} {
        append s [format %d $k]
    }
    puts "CHECKSUM [string length $s]"
}

main [lindex $argv 0]
