#!/bin/sh
# Writes the KML/KMZ import fixtures beside this script: what GDAL's KML and
# LIBKML drivers write (ogr2ogr from survey.geojson, written here first),
# and a hand-made file in Google Earth's style (a byte-order mark, CR LF,
# Styles and StyleMaps, Folders, ids on Placemark and Point, the kml:
# prefix, blanks after commas, MultiGeometry, a bare LinearRing, gx:Track
# and gx:MultiTrack, Turkish letters), then that file cut inside a placemark
# and inside its document.
#
# Run it again after changing it and commit the files it writes:
#     sh tests/navigation/kml/make_fixtures.sh
set -eu
cd "$(dirname "$0")"
rm -f gdal.kml libkml.kml libkml.kmz

cat > survey.geojson <<'JSON'
{"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"Name":"Şamandıra İğne","Description":"d & e"},"geometry":{"type":"Point","coordinates":[27.1,40.2,3]}},
{"type":"Feature","properties":{"Name":"İskele hattı"},"geometry":{"type":"LineString","coordinates":[[27.1,40.2],[27.2,40.3],[27.25,40.31]]}},
{"type":"Feature","properties":{"Name":"Havuz"},"geometry":{"type":"Polygon","coordinates":[[[27,40],[27.5,40],[27.5,40.5],[27,40.5],[27,40]],[[27.1,40.1],[27.2,40.1],[27.2,40.2],[27.1,40.1]]]}},
{"type":"Feature","properties":{"Name":"Çoklu"},"geometry":{"type":"MultiPoint","coordinates":[[27.3,40.3],[27.4,40.4]]}},
{"type":"Feature","properties":{"Name":"Kollar"},"geometry":{"type":"MultiLineString","coordinates":[[[27.3,40.3],[27.31,40.31]],[[27.4,40.4],[27.41,40.41]]]}}
]}
JSON
ogr2ogr -f KML gdal.kml survey.geojson
ogr2ogr -f LIBKML libkml.kml survey.geojson
ogr2ogr -f LIBKML libkml.kmz survey.geojson

# Google Earth's style, by hand.
{
    printf '\357\273\277'
    sed 's/$/\r/' <<'KML'
<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2" xmlns:kml="http://www.opengis.net/kml/2.2" xmlns:atom="http://www.w3.org/2005/Atom">
<Document>
	<name>İskele çalışması.kml</name>
	<Style id="s_ylw-pushpin">
		<IconStyle><scale>1.1</scale><Icon><href>http://maps.google.com/mapfiles/kml/pushpin/ylw-pushpin.png</href></Icon></IconStyle>
	</Style>
	<StyleMap id="m_ylw-pushpin">
		<Pair><key>normal</key><styleUrl>#s_ylw-pushpin</styleUrl></Pair>
		<Pair><key>highlight</key><styleUrl>#s_ylw-pushpin_hl</styleUrl></Pair>
	</StyleMap>
	<!-- <Placemark><name>commented out</name><Point><coordinates>1,1</coordinates></Point></Placemark> -->
	<Folder>
		<name>Şamandıralar</name>
		<open>1</open>
		<Placemark id="p1">
			<name>Şamandıra 1</name>
			<description><![CDATA[<b>Ölçüm</b> noktası]]></description>
			<styleUrl>#m_ylw-pushpin</styleUrl>
			<Point id="pt1">
				<gx:drawOrder>1</gx:drawOrder>
				<coordinates>27.1,40.2,0</coordinates>
			</Point>
		</Placemark>
		<kml:Placemark>
			<kml:name>Öğüt</kml:name>
			<kml:Point><kml:coordinates>27.11,40.21,0</kml:coordinates></kml:Point>
		</kml:Placemark>
		<Placemark>
			<name>Boşluklu</name>
			<Point><coordinates>27.12, 40.22, 5</coordinates></Point>
		</Placemark>
	</Folder>
	<Folder>
		<name>Hatlar</name>
		<Placemark>
			<name>İskele hattı</name>
			<LineString><tessellate>1</tessellate><coordinates>
				27.1,40.2,0 27.101,40.201,0 27.102,40.203,0 
			</coordinates></LineString>
		</Placemark>
		<Placemark>
			<name>Havuz</name>
			<Polygon><outerBoundaryIs><LinearRing><coordinates>27.0,40.0,0 27.01,40.0,0 27.01,40.01,0 27.0,40.0,0</coordinates></LinearRing></outerBoundaryIs></Polygon>
		</Placemark>
		<Placemark>
			<name>Halka</name>
			<LinearRing><coordinates>27.02,40.0 27.03,40.0 27.03,40.01 27.02,40.0</coordinates></LinearRing>
		</Placemark>
		<Placemark>
			<name>Çoklu</name>
			<MultiGeometry>
				<Point><coordinates>27.05,40.05</coordinates></Point>
				<LineString><coordinates>27.05,40.05 27.06,40.06</coordinates></LineString>
			</MultiGeometry>
		</Placemark>
	</Folder>
	<Placemark>
		<name>Tekne izi</name>
		<gx:Track>
			<when>2024-05-01T10:00:00Z</when><when>2024-05-01T10:00:05Z</when>
			<gx:coord>27.1 40.2 0</gx:coord><gx:coord>27.2 40.3 0</gx:coord>
		</gx:Track>
	</Placemark>
	<Placemark>
		<name>Günler</name>
		<gx:MultiTrack><gx:Track>
			<when>2024-05-01T10:00:00Z</when><when>2024-05-01T10:00:05Z</when>
			<gx:coord>27.1 40.2 0</gx:coord><gx:coord>27.2 40.3 0</gx:coord>
		</gx:Track></gx:MultiTrack>
	</Placemark>
</Document>
</kml>
KML
} > google-earth.kml

# Cut inside the polygon's placemark, and after the last placemark but
# before the document closes.
cut_at() { # file, text, bytes to keep after the start of that text
    offset=$(grep -boa "$2" "$1" | head -n 1 | cut -d: -f1)
    head -c $((offset + $3)) "$1"
}
cut_at google-earth.kml '<name>Havuz' 40 > truncated-placemark.kml
cut_at google-earth.kml '</Document>' 0 > truncated-document.kml
