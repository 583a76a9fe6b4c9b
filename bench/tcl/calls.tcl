proc add3 {a b c} {
    return [expr {$a + $b + $c}]
}

proc inc {a} {
    return [expr {$a + 1}]
}

proc main {n} {
    set s 0
    set i 0
    while {$i < $n} {
        set s [add3 $s $i 1]
        set i [inc $i]
    }
    puts "CHECKSUM $s"
}

main [lindex $argv 0]
