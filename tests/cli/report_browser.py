"""Opens a report's index.html in headless Chromium and prints what a reader sees: the number of rows,
the plots in order at the start and after each click on the headings named on the command line, and
the rows left visible by typing the filter text. Usage: report_browser.py INDEX FILTER HEADING..."""
import sys

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

options = Options()
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu"):
    options.add_argument(argument)
options.binary_location = "/usr/bin/chromium"
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get("file://" + sys.argv[1])

    def plots():
        rows = driver.find_elements(By.CSS_SELECTOR, "#pairs tbody tr")
        return "|".join(row.find_elements(By.TAG_NAME, "td")[0].get_attribute("textContent") for row in rows)

    print("rows", len(driver.find_elements(By.CSS_SELECTOR, "#pairs tbody tr")))
    print("start", plots())
    for heading in sys.argv[3:]:
        cells = [th for th in driver.find_elements(By.CSS_SELECTOR, "#pairs thead th")
                 if th.get_attribute("textContent") == heading]
        cells[0].click()
        print(heading, plots())
    driver.find_element(By.ID, "filter").send_keys(sys.argv[2])
    visible = driver.execute_script(
        "return Array.prototype.filter.call(document.querySelectorAll('#pairs tbody tr'),"
        " function (r) { return r.style.display !== 'none'; }).length")
    print("filtered", visible)
finally:
    driver.quit()
