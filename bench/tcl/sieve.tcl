proc main {n} {
    set flags {}
    for {set i 0} {$i <= $n} {incr i} {
        lappend flags 1
    }
    lset flags 0 0
    lset flags 1 0
    for {set i 2} {$i * $i <= $n} {incr i} {
        if {[lindex $flags $i]} {
            for {set j [expr {$i * $i}]} {$j <= $n} {incr j $i} {
                lset flags $j 0
            }
        }
    }
    set count 0
    set total 0
    set k 0
    foreach e $flags {
        if {$e} {
            incr count
            incr total $k
        }
        incr k
    }
    puts "CHECKSUM $count $total"
}

main [lindex $argv 0]
