# Product of two n x n matrices of pseudo-random numbers below 100, held as
# lists of row lists, one dot product call per cell.
proc random_row {n seedName} {
    upvar 1 $seedName seed
    set row {}
    for {set c 0} {$c < $n} {incr c} {
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        lappend row [expr {$seed - ($seed / 100) * 100}]
    }
    return $row
}

proc dot {n aRow mb column} {
    set total 0
    for {set k 0} {$k < $n} {incr k} {
        incr total [expr {[lindex $aRow $k] * [lindex $mb $k $column]}]
    }
    return $total
}

proc main {n} {
    set seed 3
    set ma {}
    set mb {}
    for {set i 0} {$i < $n} {incr i} {
        lappend ma [random_row $n seed]
        lappend mb [random_row $n seed]
    }
    set mc {}
    foreach aRow $ma {
        set cRow {}
        for {set c 0} {$c < $n} {incr c} {
            lappend cRow [dot $n $aRow $mb $c]
        }
        lappend mc $cRow
    }
    set trace 0
    set total 0
    set i 0
    foreach row $mc {
        incr trace [lindex $row $i]
        foreach value $row {
            set total [expr {($total + $value) - (($total + $value) / 1000003) * 1000003}]
        }
        incr i
    }
    puts "CHECKSUM $trace $total"
}
main [lindex $argv 0]
