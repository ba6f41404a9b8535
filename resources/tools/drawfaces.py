#!/usr/bin/env python3
# Draws the button faces, cursors and icons as SVG files under resources/.
# Run it after changing a picture here; the SVG files are committed.
import os
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
O = "#1e2a38"   # outline
B = "#3a7bd5"; LB = "#9cc3f5"; Y = "#f2c14e"; R = "#d64541"; G = "#3f9e4d"; GR = "#9aa5b1"; W = "#ffffff"; LG="#dfe4ea"
def svg(vb, body):
    return f'<svg xmlns="http://www.w3.org/2000/svg" width="{vb}" height="{vb}" viewBox="0 0 {vb} {vb}">\n{body}\n</svg>\n'
def out(path, vb, body):
    p = os.path.join(root, path); os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "w").write(svg(vb, body))
S = f'stroke="{O}" stroke-width="1.5" stroke-linejoin="round" stroke-linecap="round"'
S1 = f'stroke="{O}" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"'

# ---- main tool bar, 24 unit grid, shown at 26 px
main = {}
main[109] = f'''<rect x="2" y="3" width="20" height="5" rx="1" fill="{LB}" {S}/>
<rect x="4.5" y="4.5" width="2" height="2" fill="{O}"/><rect x="8.5" y="4.5" width="2" height="2" fill="{O}"/><rect x="12.5" y="4.5" width="2" height="2" fill="{O}"/>
<rect x="2" y="11" width="5" height="11" rx="1" fill="{LB}" {S}/>
<path d="M12 19 q6 0 6 -6 M15.5 15.5 l2.5 -2.5 l2.5 2.5" fill="none" {S}/>'''
main[901] = f'''<circle cx="12" cy="12" r="9.5" fill="{B}" {S}/>
<path d="M9 9.2 a3 3 0 1 1 4.4 2.7 c-1 .5 -1.4 1.1 -1.4 2.2 v.6" fill="none" stroke="{W}" stroke-width="2.2" stroke-linecap="round"/>
<circle cx="12" cy="17.6" r="1.4" fill="{W}"/>'''
page = f'<path d="M5 2.5 h10 l4.5 4.5 v14.5 h-14.5 z" fill="{W}" {S}/><path d="M15 2.5 v4.5 h4.5" fill="none" {S}/>'
main[24331] = page + f'''<rect x="7.5" y="12" width="9" height="7" fill="{GR}" stroke="{O}" stroke-width="1"/>
<rect x="9.5" y="10" width="5" height="5" fill="{LG}" stroke="{O}" stroke-width="1"/>
<path d="M3 5 h4 M5 3 v4" stroke="{G}" stroke-width="2" stroke-linecap="round"/>'''
main[24332] = f'''<path d="M2.5 6 h6 l2 2 h9 v12 h-17 z" fill="{Y}" {S}/>
<path d="M2.5 20 l3.5 -8 h16 l-3.5 8 z" fill="#f7d987" {S}/>'''
main[24333] = f'''<path d="M3 3 h15 l3 3 v15 h-18 z" fill="{B}" {S}/>
<rect x="7" y="3" width="9" height="6" fill="{LG}" {S1}/><rect x="13" y="4.2" width="2" height="3.6" fill="{O}"/>
<rect x="6" y="13" width="12" height="8" fill="{W}" {S1}/><path d="M8 15.5 h8 M8 18 h8" stroke="{GR}" stroke-width="1.2"/>'''
main[221] = f'''<rect x="3" y="3" width="11" height="14" fill="{LG}" {S}/>
<rect x="10" y="7" width="11" height="14" fill="{W}" {S}/>
<path d="M12.5 11 h6 M12.5 14 h6 M12.5 17 h4" stroke="{GR}" stroke-width="1.2"/>'''
main[223] = f'''<rect x="4" y="4" width="15" height="18" rx="1.5" fill="#c8955a" {S}/>
<rect x="8" y="2.5" width="7" height="4" rx="1" fill="{GR}" {S1}/>
<rect x="7" y="9" width="9" height="10" fill="{W}" {S1}/><path d="M9 12 h5 M9 15 h5" stroke="{GR}" stroke-width="1.2"/>'''
main[24337] = f'''<rect x="6" y="2.5" width="12" height="7" fill="{W}" {S}/>
<rect x="2.5" y="9" width="19" height="9" rx="1.5" fill="{GR}" {S}/>
<rect x="6" y="14" width="12" height="7.5" fill="{W}" {S}/><path d="M8 17 h8 M8 19.3 h6" stroke="{GR}" stroke-width="1.1"/>
<circle cx="18.5" cy="11.8" r="1" fill="{G}"/>'''
lens = f'<circle cx="10" cy="10" r="7" fill="{LB}" {S}/><path d="M15 15 l6.5 6.5" stroke="{O}" stroke-width="3.2" stroke-linecap="round"/>'
main[101] = lens + f'<path d="M6.5 10 h7 M10 6.5 v7" stroke="{O}" stroke-width="2" stroke-linecap="round"/>'
main[102] = lens + f'<path d="M6.5 10 h7" stroke="{O}" stroke-width="2" stroke-linecap="round"/>'
main[112] = f'''<rect x="2" y="3" width="20" height="14" rx="1" fill="{O}" {S}/>
<rect x="3.8" y="4.8" width="16.4" height="10.4" fill="{LB}"/>
<path d="M9 20.5 h6 M12 17 v3.5" {S} fill="none"/>
<path d="M5.5 8.5 v-2 h2.5 M18.5 8.5 v-2 h-2.5 M5.5 11.5 v2 h2.5 M18.5 11.5 v2 h-2.5" fill="none" stroke="{W}" stroke-width="1.5" stroke-linecap="round"/>'''
cols = ["#e74c3c","#f39c12","#f1c40f","#2ecc71","#1abc9c","#3498db","#9b59b6","#34495e","#ecf0f1","#95a5a6","#d35400","#27ae60","#2980b9","#8e44ad","#c0392b","#16a085"]
cm = f'<rect x="2.5" y="2.5" width="19" height="19" fill="{W}" {S}/>'
for i,c in enumerate(cols):
    cm += f'<rect x="{3.5+4.5*(i%4):.1f}" y="{3.5+4.5*(i//4):.1f}" width="4" height="4" fill="{c}"/>'
main[110] = cm
# stereogram: a dot field with a raised square hinted by dots and an arrow
dots = ""
import random
random.seed(7)
pal = ["#e74c3c","#3498db","#2ecc71","#f1c40f","#9b59b6","#1e2a38"]
for yy in range(4):
    for xx in range(4):
        dots += f'<circle cx="{4.2+2.6*xx:.1f}" cy="{8.2+2.6*yy:.1f}" r="1" fill="{pal[(xx*3+yy*5)%6]}"/>'
main[103] = f'''<rect x="2" y="6" width="12" height="12" fill="{W}" {S}/>{dots}
<path d="M15 12 h4" stroke="{O}" stroke-width="2" stroke-linecap="round"/><path d="M18 9 l3.5 3 l-3.5 3 z" fill="{O}"/>
<rect x="17" y="2" width="5" height="4" fill="{G}" stroke="{O}" stroke-width="1"/>'''
main[105] = f'''<path d="M4 20 l11 -11" stroke="{O}" stroke-width="3.4" stroke-linecap="round"/>
<path d="M4 20 l11 -11" stroke="#6b4f2a" stroke-width="1.8" stroke-linecap="round"/>
<path d="M13.5 10.5 l2.5 -2.5" stroke="{W}" stroke-width="1.8" stroke-linecap="round"/>
<path d="M18 2 l.9 2.1 l2.1 .9 l-2.1 .9 l-.9 2.1 l-.9 -2.1 l-2.1 -.9 l2.1 -.9 z" fill="{Y}" stroke="{O}" stroke-width=".8"/>
<path d="M8 3 l.6 1.4 l1.4 .6 l-1.4 .6 l-.6 1.4 l-.6 -1.4 l-1.4 -.6 l1.4 -.6 z" fill="{Y}" stroke="{O}" stroke-width=".7"/>
<path d="M20 11 l.6 1.4 l1.4 .6 l-1.4 .6 l-.6 1.4 l-.6 -1.4 l-1.4 -.6 l1.4 -.6 z" fill="{Y}" stroke="{O}" stroke-width=".7"/>'''
main[107] = f'''<path d="M4 6 h16 M4 12 h16 M4 18 h16" stroke="{O}" stroke-width="1.6" stroke-linecap="round"/>
<rect x="13" y="3.5" width="4" height="5" rx="1" fill="{B}" {S1}/>
<rect x="6" y="9.5" width="4" height="5" rx="1" fill="{B}" {S1}/>
<rect x="11" y="15.5" width="4" height="5" rx="1" fill="{B}" {S1}/>'''
pt = f'<rect x="2.5" y="2.5" width="19" height="19" fill="{W}" {S}/>'
pc = ["#e67e22","#2980b9","#27ae60","#8e44ad"]
for yy in range(6):
    for xx in range(6):
        pt += f'<rect x="{3.5+3*xx}" y="{3.5+3*yy}" width="2" height="2" fill="{pc[(xx+2*yy)%4]}"/>'
main[111] = pt
main[205] = f'''<path d="M8 2.5 h8 l5.5 5.5 v8 l-5.5 5.5 h-8 l-5.5 -5.5 v-8 z" fill="{R}" {S}/>
<rect x="7.5" y="7.5" width="9" height="9" fill="{W}"/>'''
main[24310] = f'''<path d="M3 2.5 h10 v19 h-10 z" fill="#c8955a" {S}/><path d="M3 2.5 l6 2 v19 l-6 -2 z" fill="#8e6238" {S1}/>
<circle cx="7.5" cy="13" r=".9" fill="{Y}"/>
<path d="M13 12 h8" stroke="{R}" stroke-width="2.2" stroke-linecap="round"/><path d="M17.5 8 l4.5 4 l-4.5 4" fill="none" stroke="{R}" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>'''
for k,v in main.items(): out(f"buttons/{k}.svg", 24, v)

# ---- depth tool palette, 20 unit grid
T = f'stroke="{O}" stroke-width="1.4" stroke-linejoin="round" stroke-linecap="round"'
arrow = lambda fill: f'<path d="M5 2.5 v13 l3.2 -3 l2.3 5 l2.2 -1 l-2.3 -5 h4.5 z" fill="{fill}" {T}/>'
tools = {}
tools[1251] = arrow(W)
tools[1252] = f'''<path d="M10 2 l3 3 h-2 v4 h4 v-2 l3 3 l-3 3 v-2 h-4 v4 h2 l-3 3 l-3 -3 h2 v-4 h-4 v2 l-3 -3 l3 -3 v2 h4 v-4 h-2 z" fill="{W}" {T}/>'''
pipette = lambda fill: f'''<path d="M3 17 l1 -3 l7 -7 l2 2 l-7 7 z" fill="{fill}" {T}/>
<path d="M11 5 l2 -2 a2.1 2.1 0 0 1 3 3 l-2 2 z" fill="{O}" {T}/><path d="M10 6 l4 4" {T}/>'''
tools[1253] = pipette(LB) + f'<rect x="13" y="13" width="5" height="5" fill="{GR}" stroke="{O}" stroke-width="1"/>'
tools[1254] = f'''<path d="M3 9 l6 -6 l7 7 l-6 6 z" fill="{LB}" {T}/>
<path d="M3 9 h13" {T}/>
<path d="M17 12 c1.5 2.2 2 3 2 4 a2 2 0 0 1 -4 0 c0 -1 .5 -1.8 2 -4 z" fill="{GR}" {T}/>'''
tools[1255] = f'<path d="M4 17 l6 -14 l6 14 M6.5 12 h7" fill="none" stroke="{O}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>'
tools[1256] = f'<path d="M3.5 16.5 l13 -13" stroke="{O}" stroke-width="2" stroke-linecap="round"/><circle cx="3.5" cy="16.5" r="1.6" fill="{B}"/><circle cx="16.5" cy="3.5" r="1.6" fill="{B}"/>'
tools[1257] = f'<path d="M3 16 C 3 6, 9 3, 17 4" fill="none" stroke="{O}" stroke-width="2" stroke-linecap="round"/><circle cx="3" cy="16" r="1.6" fill="{B}"/><circle cx="17" cy="4" r="1.6" fill="{B}"/>'
tools[1258] = f'<rect x="3" y="4" width="14" height="12" fill="{GR}" {T}/>'
tools[1259] = f'<rect x="3" y="4" width="14" height="12" rx="4" fill="{GR}" {T}/>'
tools[1260] = f'<path d="M3 8 l7 -5 l7 4 l-2 10 l-9 -2 z" fill="{GR}" {T}/>'
tools[1261] = f'<circle cx="10" cy="10" r="7" fill="{GR}" {T}/>'
lv = "".join(f'<rect x="{3+3*i}" y="{16-2*i}" width="2.4" height="{2+2*i}" fill="{["#303030","#555","#7a7a7a","#a0a0a0","#d0d0d0"][i]}" stroke="{O}" stroke-width=".6"/>' for i in range(5))
tools[1262] = f'<rect x="2" y="2" width="16" height="16" fill="{W}" {T}/>' + lv
layers = f'''<path d="M2 13 l6 -3 l6 3 l-6 3 z" fill="{GR}" {T}/><path d="M2 9.5 l6 -3 l6 3 l-6 3 z" fill="{LB}" {T}/>'''
tools[1263] = layers + f'<path d="M16 17 v-11" stroke="{G}" stroke-width="2" stroke-linecap="round"/><path d="M13 7.5 l3 -4 l3 4 z" fill="{G}"/>'
tools[1264] = layers + f'<path d="M16 3 v11" stroke="{R}" stroke-width="2" stroke-linecap="round"/><path d="M13 12.5 l3 4 l3 -4 z" fill="{R}"/>'
tools[1265] = f'<path d="M4.5 4.5 l11 11 M15.5 4.5 l-11 11" stroke="{R}" stroke-width="3" stroke-linecap="round"/>'
tools[1266] = f'''<path d="M2.5 16 l4.5 -12 l4.5 12 M4.3 11.5 h5.4" fill="none" stroke="{O}" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>
<circle cx="14.5" cy="13.2" r="2.6" fill="none" stroke="{B}" stroke-width="1.6"/><path d="M17.1 10 v6" stroke="{B}" stroke-width="1.6" stroke-linecap="round"/>'''
for k,v in tools.items(): out(f"buttons/{k}.svg", 20, v)

# ---- cursors, 32 unit grid; the hot spots are listed in Resources.cpp
C = f'stroke="{O}" stroke-width="1.3" stroke-linejoin="round" stroke-linecap="round"'
halo = 'stroke="#ffffff" stroke-width="3.6" stroke-linecap="round" fill="none"'
cross = f'<path d="M8 1 v14 M1 8 h14" {halo}/><path d="M8 1 v5.5 M8 10.5 v4.5 M1 8 h5.5 M10.5 8 h4.5" stroke="{O}" stroke-width="1.4" stroke-linecap="round"/>'
def tooled(glyph):  # crosshair at (8, 8) with the tool's glyph beside it
    return cross + f'<g transform="translate(13 13) scale(0.85)"><rect x="0" y="0" width="20" height="20" rx="2" fill="#ffffff" opacity="0.85"/>{glyph}</g>'
cur = {}
cur[1250] = f'''<path d="M9 3 h14 M9 29 h14" stroke="{O}" stroke-width="2.4" stroke-linecap="round"/>
<path d="M10.5 4 h11 c0 6 -4 8 -4.5 12 c.5 4 4.5 6 4.5 12 h-11 c0 -6 4 -8 4.5 -12 c-.5 -4 -4.5 -6 -4.5 -12 z" fill="{W}" {C}/>
<path d="M13 9 h6 c-.5 2 -2 3 -3 4.5 c-1 -1.5 -2.5 -2.5 -3 -4.5 z M12.5 27 c.5 -3 3 -4.5 3.5 -6 c.5 1.5 3 3 3.5 6 z" fill="{Y}"/>'''
cur[1251] = f'<path d="M2 2 v20 l5 -4.5 l3.5 7.5 l3.2 -1.5 l-3.5 -7.5 h7 z" fill="{W}" {C}/>'
cur[1252] = f'<g transform="translate(4 4) scale(1.2)">{tools[1252]}</g>'
cur[1253] = f'''<path d="M2 30 l1.5 -4.5 l11 -11 l3 3 l-11 11 z" fill="{LB}" {C}/>
<path d="M17 11 l3 -3 a3 3 0 0 1 4.2 4.2 l-3 3 z" fill="{O}" {C}/><path d="M15.5 12.5 l4 4" {C}/>'''
cur[1254] = f'''<g transform="translate(6 1) scale(1.2)">{tools[1254]}</g>
<path d="M1 29 l5 -5" stroke="{O}" stroke-width="1.2"/><circle cx="2" cy="28" r="1.2" fill="{O}"/>'''
cur[1255] = f'<path d="M11 4 h3 c1 0 2 1 2 2 c0 -1 1 -2 2 -2 h3 M16 6 v20 M11 28 h3 c1 0 2 -1 2 -2 c0 1 1 2 2 2 h3 M13 16 h6" {halo}/><path d="M11 4 h3 c1 0 2 1 2 2 c0 -1 1 -2 2 -2 h3 M16 6 v20 M11 28 h3 c1 0 2 -1 2 -2 c0 1 1 2 2 2 h3 M13 16 h6" fill="none" stroke="{O}" stroke-width="1.4" stroke-linecap="round"/>'
for k in range(1256, 1262):
    cur[k] = tooled(tools[k])
for k,v in cur.items(): out(f"cursors/{k}.svg", 32, v)

# ---- icons, 48 unit grid
field = ""
for yy in range(9):
    for xx in range(9):
        c = pal[(xx*7 + yy*3 + (xx*yy)%4) % 6]
        field += f'<rect x="{6+4*xx}" y="{6+4*yy}" width="3" height="3" fill="{c}"/>'
icon_i1 = f'''<rect x="3" y="3" width="42" height="42" rx="6" fill="#16202b"/>
<rect x="5" y="5" width="38" height="38" rx="4" fill="{W}"/>{field}
<path d="M14 31 l10 -14 l10 14 z" fill="#ffffff" fill-opacity="0.55" stroke="{O}" stroke-width="2" stroke-linejoin="round"/>
<circle cx="19" cy="40" r="2" fill="#16202b"/><circle cx="29" cy="40" r="2" fill="#16202b"/>'''
out("icons/I1.svg", 48, icon_i1)
out("icons/I2.svg", 48, f'''<rect x="4" y="6" width="40" height="36" rx="2" fill="#c8955a" stroke="{O}" stroke-width="2"/>
<rect x="8" y="10" width="32" height="28" fill="{LB}" stroke="{O}" stroke-width="1.2"/>
<path d="M8 38 l10 -13 l7 8 l5 -5 l10 10 z" fill="{G}" stroke="{O}" stroke-width="1.2" stroke-linejoin="round"/>
<circle cx="32" cy="17" r="3.5" fill="{Y}"/>''')
out("icons/I3.svg", 48, f'''<rect x="4" y="4" width="40" height="40" rx="2" fill="#101010" stroke="{O}" stroke-width="2"/>
<rect x="9" y="22" width="22" height="17" fill="#707070"/><circle cx="30" cy="19" r="11" fill="#b0b0b0"/>
<path d="M12 12 l8 -4 l6 8 z" fill="#ececec"/>''')
# the colour table window: a grid of swatches
out("icons/I4.svg", 48, f'''<rect x="4" y="4" width="40" height="40" rx="2" fill="#f4f4f4" stroke="{O}" stroke-width="2"/>
<rect x="8" y="8" width="10" height="10" fill="#d03030"/><rect x="19" y="8" width="10" height="10" fill="#30a040"/><rect x="30" y="8" width="10" height="10" fill="#3050d0"/>
<rect x="8" y="19" width="10" height="10" fill="#e0c020"/><rect x="19" y="19" width="10" height="10" fill="#20b0c0"/><rect x="30" y="19" width="10" height="10" fill="#b030b0"/>
<rect x="8" y="30" width="10" height="10" fill="#101010"/><rect x="19" y="30" width="10" height="10" fill="#808080"/><rect x="30" y="30" width="10" height="10" fill="#ffffff" stroke="{O}" stroke-width="1"/>''')
