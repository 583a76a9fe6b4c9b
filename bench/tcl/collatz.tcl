# Collatz sequences of 1..n: total and longest number of steps.
proc main {n} {
    set total 0
    set longest 0
    for {set i 1} {$i <= $n} {incr i} {
        set x $i
        set steps 0
        while {$x != 1} {
            set h [expr {$x / 2}]
            set odd [expr {$x - $h * 2}]
            if {$odd == 0} {
                set x $h
            }
            if {$odd} {
                set x [expr {$x * 3 + 1}]
            }
            incr steps
        }
        incr total $steps
        if {$steps > $longest} {
            set longest $steps
        }
    }
    puts "CHECKSUM $total $longest"
}

main [lindex $argv 0]
