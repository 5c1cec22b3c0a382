# Plots every moving leg joint's angle over one walk cycle and one run cycle,
# from the CSV that tools/pose_csv prints. scripts/make-docs.sh runs it as
#   gnuplot -e "walk='walk.csv'; run='run.csv'; out='joint-angles.png'" scripts/plot-gait.gp
set terminal pngcairo size 1400,1000 font "DejaVu Sans,11"
set output out
set datafile separator ","

# Columns 4..17: hind right upper..paw, hind left upper..paw, front right
# lower..paw, front left lower..paw. One colour per leg, one dash per joint.
hind_right = "#1f5fa8"; hind_left = "#e07b10"; front_right = "#2b9a3a"; front_left = "#c8283a"
set style line 4 lc rgb hind_right dt 1 lw 2 pt 7 ps 0.5
set style line 5 lc rgb hind_right dt (14,6) lw 2 pt 7 ps 0.5
set style line 6 lc rgb hind_right dt (2,5) lw 2 pt 7 ps 0.5
set style line 7 lc rgb hind_right dt (12,5,2,5) lw 2 pt 7 ps 0.5
set style line 8 lc rgb hind_left dt 1 lw 2 pt 7 ps 0.5
set style line 9 lc rgb hind_left dt (14,6) lw 2 pt 7 ps 0.5
set style line 10 lc rgb hind_left dt (2,5) lw 2 pt 7 ps 0.5
set style line 11 lc rgb hind_left dt (12,5,2,5) lw 2 pt 7 ps 0.5
set style line 12 lc rgb front_right dt (14,6) lw 2 pt 7 ps 0.5
set style line 13 lc rgb front_right dt (2,5) lw 2 pt 7 ps 0.5
set style line 14 lc rgb front_right dt (12,5,2,5) lw 2 pt 7 ps 0.5
set style line 15 lc rgb front_left dt (14,6) lw 2 pt 7 ps 0.5
set style line 16 lc rgb front_left dt (2,5) lw 2 pt 7 ps 0.5
set style line 17 lc rgb front_left dt (12,5,2,5) lw 2 pt 7 ps 0.5

set key outside right top vertical Left reverse noautotitle samplen 4 spacing 1.1
set lmargin at screen 0.07
set rmargin at screen 0.80
set ylabel "angle (degrees)"
set xlabel "gait step (one press of b)"
set grid xtics ytics lc rgb "#cccccc"
set border lc rgb "#444444"

set multiplot layout 2,1 title "Joint angles from the pose sampler, one point per gait step" font ",14"

# ---- walk: 6 keyframes x 6 steps; sub-steps 0,2,..,10 ----
set title "Walk cycle (36 steps): keyframes 3-5 replay 0-2 with the legs of each pair swapped"
set xrange [0:36]
set xtics 0,6,36
set x2range [0:36]
set x2tics ("keyframe 0" 3, "1" 9, "2" 15, "3" 21, "4" 27, "5" 33) scale 0
set yrange [-110:110]
set arrow 1 from 18, graph 0 to 18, graph 1 nohead lw 2 lc rgb "#555555" dt 1
set label 1 "second half-cycle: mirrored" at 18.4, graph 0.95 tc rgb "#333333"
plot for [c=4:17] walk using 1:c with linespoints ls c title columnheader(c)

# ---- run: 4 keyframes x 5 steps; sub-steps 0,3,6,9,12 ----
set title "Run cycle (20 steps): sub-step 12 goes 20% past the next keyframe, then the curve jumps back to it"
set xrange [0:20]
set xtics 0,5,20
set x2range [0:20]
set x2tics ("keyframe 0" 2.5, "1" 7.5, "2" 12.5, "3" 17.5) scale 0
set yrange [-110:110]
set arrow 1 from 10, graph 0 to 10, graph 1 nohead lw 2 lc rgb "#555555" dt 1
set label 1 "second half-cycle: mirrored" at 10.2, graph 0.95 tc rgb "#333333"
set arrow 2 from 5.6, -101 to 4.15, -91 lw 1.5 lc rgb "#000000" front
set label 2 "front left shin overshoots: -90 at sub-step 12, keyframe 1 holds -75" at 5.7, -102 left tc rgb "#000000"
plot for [c=4:17] run using 1:c with linespoints ls c title columnheader(c)

unset multiplot
