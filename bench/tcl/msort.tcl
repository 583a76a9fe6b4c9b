# Merge sort with the order passed in as a command: msort splits by walking
# the list, merge asks the order command for every pair.
proc before {a b} {
    return [expr {$a <= $b}]
}

proc merge {a b order} {
    set out {}
    set i 0
    set j 0
    set na [llength $a]
    set nb [llength $b]
    while {$i < $na && $j < $nb} {
        set x [lindex $a $i]
        set y [lindex $b $j]
        set first [$order $x $y]
        if {$first} {
            lappend out $x
            incr i
        }
        if {!$first} {
            lappend out $y
            incr j
        }
    }
    while {$i < $na} {
        lappend out [lindex $a $i]
        incr i
    }
    while {$j < $nb} {
        lappend out [lindex $b $j]
        incr j
    }
    return $out
}

proc msort {items order} {
    set size [llength $items]
    if {$size < 2} {
        return $items
    }
    set left {}
    set right {}
    set k 0
    foreach item $items {
        if {$k < $size / 2} {
            lappend left $item
        }
        if {$k >= $size / 2} {
            lappend right $item
        }
        incr k
    }
    return [merge [msort $left $order] [msort $right $order] $order]
}

proc main {n} {
    set data {}
    set seed 5
    for {set i 0} {$i < $n} {incr i} {
        set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
        lappend data $seed
    }
    set result [msort $data before]
    set weighted 0
    set p 0
    foreach x $result {
        incr p
        incr weighted [expr {$x * $p}]
    }
    puts "CHECKSUM $weighted [lindex $result 0] [lindex $result end] [llength $result]"
}

main [lindex $argv 0]
