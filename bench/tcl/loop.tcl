proc main {n} {
    set s 0
    for {set i 0} {$i < $n} {incr i} {
        incr s $i
    }
    puts "CHECKSUM $s"
}

main [lindex $argv 0]
