proc main {n} {
    set s ""
    for {set i 0} {$i < $n} {incr i} {
        set k [expr {$i - ($i / 8) * 8}]
        append s [string repeat ab $k]
        append s c
    }
    puts "CHECKSUM [string length $s]"
}

main [lindex $argv 0]
